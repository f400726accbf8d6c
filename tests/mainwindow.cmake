# The main window driven under the offscreen platform.
velmora_add_test(mainwindow_frmstart GUI
  SOURCES mainwindow_frmstart.cpp mainwindow_fixture.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)
