# The compiled HTML help file zelcond.chm, built with Free Pascal's chmcmd
# from docs/help (topics, contents, keyword index) and the panel's picture
# docs/panel.png, into CONDVORN_HELP_FILE beside the DLL.
find_program(CHMCMD chmcmd REQUIRED)
file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/*)
set(HELP_WORK_DIR ${CMAKE_BINARY_DIR}/help)
add_custom_command(OUTPUT ${CONDVORN_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${HELP_WORK_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/docs/help ${HELP_WORK_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/panel.png ${HELP_WORK_DIR}/panel.png
  COMMAND ${CMAKE_COMMAND} -E chdir ${HELP_WORK_DIR} ${CHMCMD} zelcond.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${HELP_WORK_DIR}/zelcond.chm ${CONDVORN_HELP_FILE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${HELP_SOURCES} ${CMAKE_SOURCE_DIR}/docs/panel.png
  COMMENT "Compiling the help file zelcond.chm"
  VERBATIM)
add_custom_target(help_file ALL DEPENDS ${CONDVORN_HELP_FILE})

# Its topics, keywords and message texts, checked in the file as built (once:
# both architectures build the same file).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(CHMLS chmls REQUIRED)
  add_python_test(NAME help_file MODULE help_test DIRECTORY ${CMAKE_SOURCE_DIR}/tests/package TIMEOUT 60
    ENVIRONMENT "HELP_FILE=${CONDVORN_HELP_FILE};CHMLS=${CHMLS};SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endif()
