# The start-up window, the start-up summary and the program's start and end.
target_sources(velmora_mainwindow PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmsplash.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmsmmarystartup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmwaitforwine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures_startup.cpp
)

# Wine starts the logon entry's "velmora.exe" from the program folder: a link
# to the program, beside it.
add_custom_command(TARGET velmora POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E create_symlink velmora $<TARGET_FILE_DIR:velmora>/velmora.exe
  VERBATIM)
