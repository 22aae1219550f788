# The editor framework's remaining controls: the numeric text edit and drag
# field, the value-to-text helpers, the multi-state button, static bitmaps
# and rectangles, and the colour controls. They join the editor library,
# which a later file of this folder declares, so the sources are added once
# every file has been read (a deferred call reads the list at that time).
set(QVX_CONTROLS2_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../DerivedControlsText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DerivedControlsTextDrag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../DerivedControlsStatic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ColorControls.cpp)
cmake_language(DEFER CALL target_sources qvx_editor PRIVATE ${QVX_CONTROLS2_SOURCES})
