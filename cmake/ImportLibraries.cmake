# The import libraries of CONDVorn.dll, made from the module definition file
# with the names a caller compiled with condvorn.h links against:
#   lib/libCONDVorn.dll.a  for GNU tool chains (mingw dlltool)
#   lib/CONDVorn.lib       for Microsoft's linker (llvm-dlltool)
# On 32-bit Windows the exports are stdcall: a caller refers to InitCond as
# _InitCond@4, while the DLL exports the plain name. A probe compiled with the
# header shows the decorated names; the libraries map them to the plain ones.
include(cmake/ExportNames.cmake)

string(REGEX REPLACE "gcc$" "dlltool" MINGW_DLLTOOL_NAME ${CMAKE_C_COMPILER})
find_program(MINGW_DLLTOOL NAMES ${MINGW_DLLTOOL_NAME} REQUIRED)
find_program(LLVM_DLLTOOL NAMES llvm-dlltool REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LLVM_DLLTOOL_MACHINE i386)
else()
  set(LLVM_DLLTOOL_MACHINE i386:x86-64)
endif()

set(IMPORT_DIR ${CMAKE_BINARY_DIR}/lib)
condvorn_export_names(export_names)
set(probe_entries "")
foreach(name IN LISTS export_names)
  string(APPEND probe_entries "  (void (*)(void))${name},\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/import_probe.c @ONLY CONTENT [[
/* Refers to every export as a caller compiled with condvorn.h does. */
#include "condvorn.h"
void (*const condvorn_import_probe[])(void) = {
@probe_entries@};
]])
add_library(import_probe OBJECT ${CMAKE_BINARY_DIR}/import_probe.c)
target_include_directories(import_probe PRIVATE include)

set(IMPORT_DEF ${IMPORT_DIR}/condvorn-imports.def)
add_custom_command(OUTPUT ${IMPORT_DEF}
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} "-DPROBE=$<TARGET_OBJECTS:import_probe>" "-DNAMES=${export_names}"
          -DOUTPUT=${IMPORT_DEF} -P ${CMAKE_SOURCE_DIR}/cmake/ImportDef.cmake
  DEPENDS import_probe $<TARGET_OBJECTS:import_probe> ${CMAKE_SOURCE_DIR}/cmake/ImportDef.cmake
  COMMENT "Import names of CONDVorn.dll" VERBATIM)
add_custom_command(OUTPUT ${IMPORT_DIR}/libCONDVorn.dll.a ${IMPORT_DIR}/CONDVorn.lib
  COMMAND ${MINGW_DLLTOOL} -k -d ${IMPORT_DEF} -D CONDVorn.dll -l ${IMPORT_DIR}/libCONDVorn.dll.a
  COMMAND ${LLVM_DLLTOOL} -k -m ${LLVM_DLLTOOL_MACHINE} -d ${IMPORT_DEF} -D CONDVorn.dll
          -l ${IMPORT_DIR}/CONDVorn.lib
  DEPENDS ${IMPORT_DEF}
  COMMENT "Import libraries of CONDVorn.dll" VERBATIM)
add_custom_target(import_libraries ALL DEPENDS ${IMPORT_DIR}/libCONDVorn.dll.a ${IMPORT_DIR}/CONDVorn.lib)

# Programs that link the DLL as a host would: through its GNU import library.
function(link_condvorn_import target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/include)
  target_link_libraries(${target} PRIVATE ${IMPORT_DIR}/libCONDVorn.dll.a)
  add_dependencies(${target} import_libraries CONDVorn)
endfunction()
