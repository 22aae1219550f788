# Real-FFT kernels, the FFT object pool and the spectrum wrapper, and the
# element-wise loops of the audio path around the transforms.
set(QVX_FFT_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
add_library(qvx_fft STATIC
  ${QVX_FFT_DIR}/FFTPool.cpp
  ${QVX_FFT_DIR}/FFTRealTwiddles.cpp
  ${QVX_FFT_DIR}/FFTRealSimd.cpp
  ${QVX_FFT_DIR}/SampleLoops.cpp)
target_link_libraries(qvx_fft PUBLIC qvx_runtime qvx_options)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
  target_sources(qvx_fft PRIVATE
    ${QVX_FFT_DIR}/FFTRealSimdSse2.cpp
    ${QVX_FFT_DIR}/FFTRealSimdAvx2.cpp
    ${QVX_FFT_DIR}/SampleLoopsAvx2.cpp)
  # Only these files may use AVX2, and they are entered only after a run-time
  # check. No FMA: every product and sum is rounded on its own. Unaligned
  # 256-bit accesses are kept whole (the default tuning splits them, which
  # costs store-forwarding stalls and changes no value).
  set(QVX_FFT_AVX2_OPTIONS -mavx2 -mno-fma)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND QVX_FFT_AVX2_OPTIONS -mno-avx256-split-unaligned-load -mno-avx256-split-unaligned-store)
  endif()
  set_source_files_properties(${QVX_FFT_DIR}/FFTRealSimdAvx2.cpp ${QVX_FFT_DIR}/SampleLoopsAvx2.cpp PROPERTIES
    COMPILE_OPTIONS "${QVX_FFT_AVX2_OPTIONS}")
endif()
