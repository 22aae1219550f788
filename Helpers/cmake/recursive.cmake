# The recursive filter family.
add_library(qvx_recursive STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../RecursiveFilter.cpp)
target_link_libraries(qvx_recursive PUBLIC qvx_runtime qvx_options)
