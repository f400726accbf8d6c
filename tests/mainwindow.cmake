# The main window driven under the offscreen platform.
velmora_add_test(mainwindow_frmstart GUI
  SOURCES mainwindow_fixture.cpp mainwindow_frmstart.cpp mainwindow_buttons.cpp mainwindow_scan.cpp
          mainwindow_problems.cpp mainwindow_settings.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)

# The built program under a virtual display, driven with xdotool over the
# scan road on a demo prefix made with Wine. Screenshots: build/e2e/*.png.
add_test(NAME mainwindow_e2e
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/scan_e2e.sh $<TARGET_FILE:velmora>
          ${CMAKE_SOURCE_DIR}/mainwindow/make-demo-prefix.sh ${CMAKE_BINARY_DIR}/e2e)
set_tests_properties(mainwindow_e2e PROPERTIES TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEDEBUG=-all")

# The Rescue Center: backup list, Delete, Restore and the restoring box.
velmora_add_test(mainwindow_rescue GUI
  SOURCES mainwindow_fixture.cpp mainwindow_rescue.cpp
  LIBS velmora_mainwindow
  TIMEOUT 120)

velmora_add_test(mainwindow_rescue_wine GUI WINE
  SOURCES mainwindow_fixture.cpp mainwindow_rescue_wine.cpp
  LIBS velmora_mainwindow
  TIMEOUT 300)
