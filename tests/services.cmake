# Backups, scrambling, settings, the desktop seam and the shell services.
velmora_add_test(services_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_text.cpp
  LIBS velmora_engine
  TIMEOUT 60)

velmora_add_test(services_prefix
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_prefix.cpp
  LIBS velmora_engine
  TIMEOUT 120)

velmora_add_test(services_gui GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_gui.cpp
  LIBS velmora_mainwindow
  TIMEOUT 60)
add_dependencies(services_gui velmora_alert_sound)

velmora_add_test(services_wine WINE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_wine.cpp
  LIBS velmora_engine
  TIMEOUT 300)
