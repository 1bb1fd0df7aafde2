# add_python_test(NAME name MODULE module DIRECTORY dir TIMEOUT seconds
#                 [ENVIRONMENT var=value ...] [RESOURCE_LOCK lock])
# Registers a Python standard-library unittest module, run from `dir`, with
# the programs it tests passed through the environment.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(add_python_test)
  cmake_parse_arguments(ARG "" "NAME;MODULE;DIRECTORY;TIMEOUT;RESOURCE_LOCK" "ENVIRONMENT" ${ARGN})
  add_test(NAME ${ARG_NAME}
    COMMAND Python3::Interpreter -m unittest -v ${ARG_MODULE}
    WORKING_DIRECTORY ${ARG_DIRECTORY})
  set_tests_properties(${ARG_NAME} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1;${ARG_ENVIRONMENT}")
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
endfunction()
