# The release package of a Windows build, one ZIP per architecture
# (CONDVorn-<version>-win32.zip, -win64.zip), made by `cpack --preset win32`
# and `cpack --preset win64` (scripts/package.sh makes both):
#   bin/      CONDVorn.dll, vornctl.exe, vornsim.exe, zelcond.chm once the build makes it
#   include/  condvorn.h, condvorn_version.h
#   lib/      condvorn.def, libCONDVorn.dll.a (GNU), CONDVorn.lib (Microsoft)
#   doc/      api.md;  examples/  host.c;  README.md, CHANGELOG.md, LICENSE
# scripts/package.sh builds only the targets these rules install: a rule
# added here (or in a program's own CMakeLists.txt) adds its target there.
set(CONDVORN_HELP_FILE ${CMAKE_BINARY_DIR}/zelcond.chm CACHE FILEPATH
    "The compiled HTML help file; packaged when the build has made it")

install(FILES $<TARGET_FILE:CONDVorn> DESTINATION bin)
install(TARGETS vornctl RUNTIME DESTINATION bin)
install(FILES ${CONDVORN_HELP_FILE} DESTINATION bin OPTIONAL)
install(FILES include/condvorn.h ${GENERATED_INCLUDE}/condvorn_version.h DESTINATION include)
install(FILES src/api/condvorn.def ${IMPORT_DIR}/libCONDVorn.dll.a ${IMPORT_DIR}/CONDVorn.lib DESTINATION lib)
install(FILES docs/api.md DESTINATION doc)
install(FILES examples/host.c DESTINATION examples)
install(FILES README.md CHANGELOG.md LICENSE DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME CONDVorn)
set(CPACK_PACKAGE_VENDOR ZEL)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Support library for programmable Vorn signal-conditioner channels")
set(PACKAGE_NAME CONDVorn-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_FILE_NAME ${PACKAGE_NAME})
include(CPack)

find_program(LLD_LINK NAMES lld-link REQUIRED)
add_python_test(NAME release_package MODULE package_test DIRECTORY ${CMAKE_SOURCE_DIR}/tests/package TIMEOUT 120
  ENVIRONMENT "CPACK=${CMAKE_CPACK_COMMAND};CPACK_CONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake;PACKAGE_NAME=${PACKAGE_NAME};HELP_FILE=${CONDVORN_HELP_FILE};CC=${CMAKE_C_COMPILER};OBJDUMP=${CMAKE_OBJDUMP};LLD_LINK=${LLD_LINK};LLD_MACHINE=$<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>,x86,x64>;PACKAGE_WORK_DIR=${CMAKE_BINARY_DIR}/package_test")
