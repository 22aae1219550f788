# Spectral DSP engine: dithered sample copies, delay lines and windows.
add_library(qvx_dsp STATIC
  FFT.cpp
  FftWindow.cpp)
target_link_libraries(qvx_dsp PUBLIC qvx_runtime qvx_options)
