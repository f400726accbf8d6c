# The program's start and end: start-up window, logon road, summary, closing.
velmora_add_test(mainwindow_startup GUI
  SOURCES mainwindow_fixture.cpp mainwindow_startup.cpp
  LIBS velmora_mainwindow
  TIMEOUT 180)

# Wine itself starts the program through its logon entry.
velmora_add_test(mainwindow_startup_wine WINE
  SOURCES startup_wine.cpp
  TIMEOUT 300)
add_dependencies(mainwindow_startup_wine velmora)
