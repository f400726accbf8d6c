# startup_bench PREFIX [--repeat N]
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE velmora_options velmora_mainwindow)
