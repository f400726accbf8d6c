# The help page, put beside the program by the build.
set(VELMORA_HELP_PAGE ${CMAKE_BINARY_DIR}/mainwindow/help.htm)
add_custom_command(
  OUTPUT ${VELMORA_HELP_PAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/help/help.htm ${VELMORA_HELP_PAGE}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/help/help.htm
  COMMENT "Putting the help page beside the program"
  VERBATIM)
add_custom_target(velmora_help_page ALL DEPENDS ${VELMORA_HELP_PAGE})
add_dependencies(velmora velmora_help_page)
