# Analyser displays: the spectrum data store that hands spectra from the
# audio thread to the graphs.
add_library(qvx_analysers STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../FrequencyDataStore.cpp)
target_link_libraries(qvx_analysers PUBLIC qvx_fft qvx_runtime qvx_options)
