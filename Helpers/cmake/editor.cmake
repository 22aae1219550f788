# The editor framework's drawing foundations: the colour model (scales,
# preset sets, smooth colour bars), the owner-drawn control bases and the
# level meter's metering. The palette that turns colour parameters into
# colours is a compile-time table in Helpers/ColorModel.h, so the effect base
# reads it without linking this library or the drawing toolkit.
add_library(qvx_editor STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../ColorModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ColorBars.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsLayered.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../OwnerDrawControlsMetering.cpp)
target_link_libraries(qvx_editor PUBLIC qvx_gui qvx_framework qvx_runtime qvx_options)
