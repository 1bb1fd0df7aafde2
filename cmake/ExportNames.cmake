# condvorn_export_names(<var>): the names in the EXPORTS section of the
# module definition file src/api/condvorn.def, in their order. The DLL's
# export table, the import libraries and the Linux library's visible symbols
# all come from this one list.
function(condvorn_export_names var)
  set(def ${CMAKE_SOURCE_DIR}/src/api/condvorn.def)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  file(STRINGS ${def} lines)
  set(names "")
  set(in_exports FALSE)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^(LIBRARY|EXPORTS)")
      string(COMPARE EQUAL "${CMAKE_MATCH_1}" "EXPORTS" in_exports)
    elseif(in_exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${var} ${names} PARENT_SCOPE)
endfunction()
