# The main window driven under the offscreen platform.
velmora_add_test(mainwindow_frmstart GUI
  SOURCES mainwindow_fixture.cpp mainwindow_frmstart.cpp mainwindow_buttons.cpp mainwindow_scan.cpp
          mainwindow_problems.cpp mainwindow_settings.cpp mainwindow_help.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)
add_dependencies(mainwindow_frmstart velmora_help_page)

# The results file: its lines, and Save and Load Scan Results in the window.
velmora_add_test(mainwindow_results GUI
  SOURCES mainwindow_fixture.cpp mainwindow_results.cpp
  LIBS velmora_mainwindow
  TIMEOUT 120)

# The built program under a virtual display, driven with xdotool over the
# scan road on a demo prefix made with Wine. Screenshots: build/e2e/*.png.
add_test(NAME mainwindow_e2e
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/scan_e2e.sh $<TARGET_FILE:velmora>
          ${CMAKE_SOURCE_DIR}/mainwindow/make-demo-prefix.sh ${CMAKE_BINARY_DIR}/e2e)
set_tests_properties(mainwindow_e2e PROPERTIES TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEDEBUG=-all" RESOURCE_LOCK e2e_display)

# The same on a fresh demo prefix over the fix, the Rescue Center and a
# restore. Screenshots: build/e2e/fix/*.png. One virtual display at a time:
# xvfb-run's choice of a free display is not safe against another starting.
add_test(NAME mainwindow_fix_e2e
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/fix_e2e.sh $<TARGET_FILE:velmora>
          ${CMAKE_SOURCE_DIR}/mainwindow/make-demo-prefix.sh ${CMAKE_BINARY_DIR}/e2e/fix)
set_tests_properties(mainwindow_fix_e2e PROPERTIES TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEDEBUG=-all" RESOURCE_LOCK e2e_display)

# The logon entry read back by Wine's own tools in a prefix made by wineboot.
velmora_add_test(mainwindow_logon_wine GUI WINE
  SOURCES mainwindow_fixture.cpp mainwindow_logon_wine.cpp
  LIBS velmora_mainwindow
  TIMEOUT 300)

# The Rescue Center: backup list, Delete, Restore and the restoring box.
velmora_add_test(mainwindow_rescue GUI
  SOURCES mainwindow_fixture.cpp mainwindow_rescue.cpp
  LIBS velmora_mainwindow
  TIMEOUT 120)

velmora_add_test(mainwindow_rescue_wine GUI WINE
  SOURCES mainwindow_fixture.cpp mainwindow_rescue_wine.cpp
  LIBS velmora_mainwindow
  TIMEOUT 300)

# The Scan action beside a real running wineserver, and after it has gone.
velmora_add_test(mainwindow_scan_wine GUI WINE
  SOURCES mainwindow_fixture.cpp mainwindow_scan_wine.cpp
  LIBS velmora_mainwindow
  TIMEOUT 300)
