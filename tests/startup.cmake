# The program's start and end: start-up window, logon road, summary, closing.
velmora_add_test(mainwindow_startup GUI
  SOURCES mainwindow_fixture.cpp mainwindow_startup.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)
