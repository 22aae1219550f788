# The recursive filter family.
add_library(qvx_recursive STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../RecursiveFilter.cpp)
target_link_libraries(qvx_recursive PUBLIC qvx_runtime qvx_options)

# The high-pass and inverse kernels on the spectral engine's kernel design.
add_library(qvx_kernels STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../FftHighPass.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FftHighPassTables.cpp)
target_link_libraries(qvx_kernels PUBLIC qvx_dsp qvx_runtime qvx_options)
