# registry_bench PREFIX OUTDIR
add_executable(registry_bench ${CMAKE_CURRENT_LIST_DIR}/registry_bench.cpp)
target_link_libraries(registry_bench PRIVATE velmora_options velmora_platform)
