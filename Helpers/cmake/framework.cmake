# The plug-in framework: preference storage and the effect base.
add_library(qvx_framework STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../PersistantStorage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../XREffect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../XREffectUndo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../XREffectQuality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../XREffectIdle.cpp)
target_link_libraries(qvx_framework PUBLIC qvx_vst qvx_dsp qvx_runtime qvx_platform qvx_options)
