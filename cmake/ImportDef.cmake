# Run as a script (cmake -DNM=... -DPROBE=... -DNAMES=... -DOUTPUT=... -P):
# writes the module definition file of CONDVorn.dll's imports, each export
# under the name that the probe object refers to it by (decorated on 32-bit
# Windows, such as InitCond@4; plain on 64-bit).
execute_process(COMMAND ${NM} -u ${PROBE} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
set(def "LIBRARY CONDVorn.dll\nEXPORTS\n")
foreach(name IN LISTS NAMES)
  if(symbols MATCHES "U _?(${name}(@[0-9]+)?)\n")
    string(APPEND def "  ${CMAKE_MATCH_1}\n")
  else()
    message(FATAL_ERROR "${PROBE} does not refer to ${name}")
  endif()
endforeach()
file(WRITE ${OUTPUT} "${def}")
