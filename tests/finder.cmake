# The missing-files finder: its walk over a hand-made prefix, its wizard and
# the main window's command that opens it.
velmora_add_test(finder_walk_test SOURCES finder_walk.cpp finder_fixture.cpp LIBS velmora_finder_walk TIMEOUT 120)
velmora_add_test(finder_wizard_test GUI SOURCES finder_wizard.cpp finder_fixture.cpp LIBS velmora_finder TIMEOUT 120)
velmora_add_test(finder_frmstart_test GUI SOURCES mainwindow_fixture.cpp finder_frmstart.cpp
  LIBS velmora_mainwindow TIMEOUT 120)
velmora_add_test(finder_wine_test WINE SOURCES finder_wine.cpp LIBS velmora_finder_walk TIMEOUT 300)

# The wizard under a virtual display from the Cleaning menu after a scan,
# driven with xdotool. Screenshots: build/e2e-finder/*.png.
add_test(NAME finder_e2e
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/finder_e2e.sh $<TARGET_FILE:velmora>
          ${CMAKE_SOURCE_DIR}/mainwindow/make-demo-prefix.sh ${CMAKE_BINARY_DIR}/e2e-finder)
set_tests_properties(finder_e2e PROPERTIES TIMEOUT 300 LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEDEBUG=-all" RESOURCE_LOCK e2e_display)
