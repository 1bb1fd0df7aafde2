# Run as a test (cmake -DSOURCE_DIR=... -P CheckLayering.cmake): fails when a
# lower layer of the library includes a header of a layer above it.
# Layers, lowest first: os, link, channel; api, panel, app and linux (the
# Linux library's start-up) sit on top.
cmake_minimum_required(VERSION 3.25)
set(layers os link channel)
set(above_os link channel api panel app linux)
set(above_link channel api panel app linux)
set(above_channel api panel app linux)

set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^#include \"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" folder "${line}")
      if(folder IN_LIST above_${layer})
        file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
        string(APPEND violations "  ${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "A lower layer includes a layer above it:\n${violations}")
endif()
