# Files over the prefix, the path helpers, and the writer of whole files and records.
velmora_add_test(files_names_test SOURCES files_names.cpp LIBS velmora_platform TIMEOUT 60)
velmora_add_test(files_lookup_test SOURCES files_lookup.cpp files_fixture.cpp LIBS velmora_platform TIMEOUT 120)
velmora_add_test(pathhelpers_test SOURCES pathhelpers_text.cpp pathhelpers_files.cpp files_fixture.cpp
  LIBS velmora_engine TIMEOUT 120)
velmora_add_test(files_registry_test SOURCES files_registry.cpp files_fixture.cpp LIBS velmora_engine TIMEOUT 120)
velmora_add_test(files_wine_test WINE SOURCES files_wine.cpp LIBS velmora_engine TIMEOUT 240)
velmora_add_test(files_ownfile_test SOURCES files_ownfile.cpp LIBS velmora_platform TIMEOUT 120)
velmora_add_test(files_atomicfile_test SOURCES files_atomicfile.cpp LIBS velmora_platform TIMEOUT 60)
