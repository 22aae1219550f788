# The frequency displays (frequency graph base, spectrum and composite
# graphs): owner-drawn editor controls that read the analyser data stores.
target_sources(qvx_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphExtract.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphMouse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphSpectrum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../FreqGraphComposite.cpp)
target_link_libraries(qvx_editor PUBLIC qvx_analysers)
