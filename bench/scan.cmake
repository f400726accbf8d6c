# scan_bench PREFIX [--results FILE] [--scale N] [--repeat N] [--fix]
add_executable(scan_bench ${CMAKE_CURRENT_LIST_DIR}/scan_bench.cpp)
target_link_libraries(scan_bench PRIVATE velmora_options velmora_engine)
