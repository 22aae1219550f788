# The meters and scopes: the level meter's display and the stereo scopes,
# drawn through the owner-drawn control bases of the editor library.
target_sources(qvx_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsLevelMeter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsLevelMeterDraw.cpp)
