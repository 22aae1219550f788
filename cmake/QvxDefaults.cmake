# Project-wide compile settings. Every library is linked into a shared object
# that lives in a host process beside other plug-ins, so all code is PIC with
# hidden visibility; only the entry symbol is exported (see qvx_add_plugin).
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

# Interface target carrying the warning and floating-point policy. The DSP
# results must be bit-identical across objects and builds, so the compiler may
# neither contract a*b+c into FMA nor reorder arithmetic.
add_library(qvx_options INTERFACE)
target_compile_options(qvx_options INTERFACE
  -Wall -Wextra
  -ffp-contract=off -fno-fast-math
  $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
if(QVX_WERROR)
  target_compile_options(qvx_options INTERFACE -Werror)
endif()
target_include_directories(qvx_options INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(qvx_options INTERFACE Threads::Threads)

if(QVX_SANITIZE)
  target_compile_options(qvx_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(qvx_options INTERFACE -fsanitize=address,undefined)
endif()
if(QVX_TSAN)
  target_compile_options(qvx_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(qvx_options INTERFACE -fsanitize=thread)
endif()

# qvx_add_plugin(<target> <output name> <libraries...>)
# Builds a LinuxVST module that exports VSTPluginMain (and main_macho for the
# standard edition) and nothing else, so that two plug-ins of this framework in
# one host never bind to each other's symbols.
function(qvx_add_plugin target output_name version_script)
  add_library(${target} MODULE ${PROJECT_SOURCE_DIR}/vst/VSTPluginMain.cpp)
  target_link_libraries(${target} PRIVATE ${ARGN} qvx_options)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${output_name}")
  target_link_options(${target} PRIVATE
    -Wl,--no-undefined
    -Wl,--version-script=${version_script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${version_script})
endfunction()
