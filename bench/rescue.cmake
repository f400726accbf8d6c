# rescue_bench [--backups N] [--repeat N]
add_executable(rescue_bench ${CMAKE_CURRENT_LIST_DIR}/rescue_bench.cpp)
target_link_libraries(rescue_bench PRIVATE velmora_options velmora_mainwindow)
