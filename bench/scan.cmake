# The prefix copies both scan benchmarks work on.
add_library(velmora_bench_prefix STATIC ${CMAKE_CURRENT_LIST_DIR}/benchprefix.cpp)
target_link_libraries(velmora_bench_prefix PUBLIC velmora_options Qt6::Core)

# scan_bench PREFIX [--results FILE] [--scale N] [--repeat N] [--fix]
add_executable(scan_bench ${CMAKE_CURRENT_LIST_DIR}/scan_bench.cpp)
target_link_libraries(scan_bench PRIVATE velmora_options velmora_engine velmora_bench_prefix)

# scan_window_bench PREFIX [--scales 1,10] [--repeat N]
add_executable(scan_window_bench ${CMAKE_CURRENT_LIST_DIR}/scan_window_bench.cpp)
target_link_libraries(scan_window_bench PRIVATE velmora_options velmora_mainwindow velmora_bench_prefix)
