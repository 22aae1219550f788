# Spectral DSP engine: overlap FFT filter, kernel design and windows, dithered
# sample copies, delay lines.
add_library(qvx_dsp STATIC
  FFT.cpp
  FftWindow.cpp
  FreqDomainConvolution.cpp
  FftFilter.cpp)
target_link_libraries(qvx_dsp PUBLIC qvx_fft qvx_runtime qvx_options)
