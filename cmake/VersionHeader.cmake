# condvorn_version_header(DIRECTORY VERSION) writes condvorn_version.h, which
# condvorn.h includes, into DIRECTORY: the library's version ("1.2" has
# patch 0) as macros for hosts and for the DLL's version resource.
function(condvorn_version_header directory version)
  string(REGEX MATCH "^([0-9]+)\\.([0-9]+)(\\.([0-9]+))?" matched "${version}")
  if(NOT matched)
    message(FATAL_ERROR "not a version: ${version}")
  endif()
  set(CONDVORN_VERSION ${version})
  set(CONDVORN_VERSION_MAJOR ${CMAKE_MATCH_1})
  set(CONDVORN_VERSION_MINOR ${CMAKE_MATCH_2})
  math(EXPR CONDVORN_VERSION_PATCH "0${CMAKE_MATCH_4}")
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../include/condvorn_version.h.in
                 ${directory}/condvorn_version.h @ONLY)
endfunction()

# The version of the top-level project() call, for a project beside it (the
# reply fuzzer) that compiles the library's sources.
function(condvorn_project_version out)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../CMakeLists.txt line REGEX "^project\\(CONDVorn VERSION ")
  string(REGEX MATCH "VERSION ([0-9.]+)" matched "${line}")
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
