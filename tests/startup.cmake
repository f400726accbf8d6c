# The program's start and end: start-up window, logon road, summary, closing.
velmora_add_test(mainwindow_startup GUI
  SOURCES mainwindow_fixture.cpp mainwindow_startup.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)

# Wine itself starts the program through its logon entry.
velmora_add_test(mainwindow_startup_wine WINE
  SOURCES startup_wine.cpp
  TIMEOUT 600)
add_dependencies(mainwindow_startup_wine velmora)
# It starts a virtual display too: one at a time.
set_tests_properties(mainwindow_startup_wine PROPERTIES RESOURCE_LOCK e2e_display)

# The built program under a virtual display: the ordinary start and a logon
# start with the summary. Screenshots: build/e2e-startup/*.png.
add_test(NAME mainwindow_startup_e2e
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/startup_e2e.sh $<TARGET_FILE:velmora>
          ${CMAKE_SOURCE_DIR}/mainwindow/make-demo-prefix.sh ${CMAKE_BINARY_DIR}/e2e-startup)
set_tests_properties(mainwindow_startup_e2e PROPERTIES TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEDEBUG=-all" RESOURCE_LOCK e2e_display)
