# The main window and the program.
target_sources(velmora_mainwindow PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmnextmessagebox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmabout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures_about.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmcreatingbackkeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_buttons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_problems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_help.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_fix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_results.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_rescue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmstart_finder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/programstart.cpp
)

add_executable(velmora ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(velmora PRIVATE velmora_mainwindow)
set_target_properties(velmora PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/mainwindow)

# The click sound is made by a target declared after this file; tie the
# program to it once the whole folder is read.
function(velmora_tie_alert_sound)
  if(TARGET velmora_alert_sound)
    add_dependencies(velmora velmora_alert_sound)
  endif()
endfunction()
cmake_language(DEFER CALL velmora_tie_alert_sound)
