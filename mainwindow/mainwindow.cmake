# The main window and the program.
target_sources(velmora_mainwindow PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmnextmessagebox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_buttons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_problems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_settings.cpp
)
