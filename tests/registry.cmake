# The registry of a Wine prefix: file format, Win32-style functions, saving.
velmora_add_test(registry_api_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_api_test.cpp
  LIBS velmora_engine
  TIMEOUT 60)
velmora_add_test(registry_file_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_file_test.cpp
  LIBS velmora_engine
  TIMEOUT 120)
velmora_add_test(registry_batch_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_batch_test.cpp
  LIBS velmora_engine
  TIMEOUT 60)
velmora_add_test(registry_wine_test WINE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_wine_test.cpp
  LIBS velmora_engine
  TIMEOUT 300)
