# Scan engine: rules, registry walk, section table, real Wine.
velmora_add_test(engine_rules_test SOURCES engine_rules_test.cpp LIBS velmora_engine TIMEOUT 60)
velmora_add_test(engine_walk_test SOURCES engine_walk_test.cpp LIBS velmora_engine TIMEOUT 120)
velmora_add_test(engine_driver_test SOURCES engine_driver_test.cpp LIBS velmora_engine TIMEOUT 120)
velmora_add_test(engine_registry_test SOURCES engine_registry_test.cpp LIBS velmora_engine TIMEOUT 60)
velmora_add_test(engine_environment_test SOURCES engine_environment_test.cpp LIBS velmora_engine TIMEOUT 60)
velmora_add_test(engine_wine_test WINE SOURCES engine_wine_test.cpp LIBS velmora_engine TIMEOUT 300)
