# libcondvorn.so: the library's C interface on Linux, without a control
# panel, configured from the environment and a file. Its tests, and those of
# the Python binding that loads it, talk to vornsim.
include(cmake/ExportNames.cmake)

set(LINUX_LIBRARY_OS_SOURCE ${CMAKE_SOURCE_DIR}/src/os/os_linux_library.cpp)
set_target_properties(condvorn_logic PROPERTIES POSITION_INDEPENDENT_CODE ON)
# The unit tests reach the Linux library's services through the core.
target_sources(condvorn_core PRIVATE ${LINUX_LIBRARY_OS_SOURCE})

# Only the exports are visible; the C++ inside stays the library's own.
condvorn_export_names(export_names)
list(JOIN export_names ";\n    " export_list)
set(EXPORT_MAP ${CMAKE_BINARY_DIR}/condvorn.map)
file(CONFIGURE OUTPUT ${EXPORT_MAP} CONTENT "{\n  global:\n    @export_list@;\n  local: *;\n};\n" @ONLY)

add_library(condvorn_shared SHARED
  $<TARGET_OBJECTS:condvorn_logic> ${LINUX_LIBRARY_OS_SOURCE} ${NO_PANEL_SOURCE} src/linux/library_load.cpp)
compile_as_one_unit(condvorn_shared)
set_target_properties(condvorn_shared PROPERTIES
  OUTPUT_NAME condvorn VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${EXPORT_MAP})
target_include_directories(condvorn_shared PRIVATE include src)
target_link_options(condvorn_shared PRIVATE -Wl,--version-script=${EXPORT_MAP} -Wl,--no-undefined)

include(cmake/LinuxInstall.cmake)

# ---- Tests: the library through ctypes, and the Python binding ----
find_program(PYTEST_EXECUTABLE NAMES pytest-3 pytest)
if(NOT PYTEST_EXECUTABLE)
  message(FATAL_ERROR "pytest is missing: scripts/setup.sh installs it (python3-pytest)")
endif()

# A library built with the sanitizers needs their runtime loaded first in a
# program that is not (the Python interpreter); Python's own allocations
# are not the library's leaks.
set(SANITIZER_PRELOAD "")
if(CONDVORN_SANITIZE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(SANITIZER_PRELOAD "LD_PRELOAD=${asan_runtime};ASAN_OPTIONS=detect_leaks=0")
endif()

set(PYTHON_TESTS ${CMAKE_SOURCE_DIR}/python/tests)
set(LINUX_LIBRARY_TEST_ENVIRONMENT
  "CONDVORN_LIBRARY=$<TARGET_FILE:condvorn_shared>;VORNSIM=$<TARGET_FILE:vornsim>;PYTHONDONTWRITEBYTECODE=1;${SANITIZER_PRELOAD}")
foreach(suite linux_library python_binding python_install)
  add_test(NAME ${suite}
    COMMAND ${PYTEST_EXECUTABLE} -q -p no:cacheprovider ${PYTHON_TESTS}/test_${suite}.py
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${suite} PROPERTIES TIMEOUT 180
    ENVIRONMENT "${LINUX_LIBRARY_TEST_ENVIRONMENT};TEST_PYTHON=${Python3_EXECUTABLE}")
endforeach()
