# The meters and scopes: the level meter's display, the vectorscope, the
# correlation and waveform graphs, the stereo graph and the waterfalls, drawn
# through the owner-drawn control bases of the editor library.
target_sources(qvx_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsLevelMeter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsLevelMeterDraw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsVectorscope.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsVectorscopeDraw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OffscreenScroll.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsCorrelation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsWaveform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../StereoGraph.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../Waterfall.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../WaterfallKinds.cpp)
