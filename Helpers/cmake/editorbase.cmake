# The editor base that product editors derive from (front and back panels,
# tag binding, idle, the quality-mode block) and the derived controls it
# places. Joins the editor framework's library (Helpers/cmake/editor.cmake).
if(NOT TARGET qvx_editor)
  add_library(qvx_editor STATIC)
  target_link_libraries(qvx_editor PUBLIC qvx_gui qvx_runtime qvx_options)
endif()
target_sources(qvx_editor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../DivuVazize.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DivuVazizeIdle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DivuVazizeBackViews.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DivuVazizeGenericControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DerivedControls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DerivedControlsMenus.cpp)
target_link_libraries(qvx_editor PUBLIC qvx_framework)
