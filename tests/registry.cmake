# The registry of a Wine prefix: file format, Win32-style functions, saving.
velmora_add_test(registry_wine_test WINE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_wine_test.cpp
  LIBS velmora_engine
  TIMEOUT 300)
