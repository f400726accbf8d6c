# The fix with its backups, through the main window; and on a real Wine prefix.
velmora_add_test(mainwindow_fix GUI
  SOURCES mainwindow_fixture.cpp mainwindow_fix.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)
velmora_add_test(mainwindow_fix_wine GUI WINE
  SOURCES mainwindow_fixture.cpp fix_wine.cpp
  LIBS velmora_mainwindow
  TIMEOUT 300)
