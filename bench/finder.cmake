# finder_bench [--repeat N] [--keep DIR]
add_executable(finder_bench ${CMAKE_CURRENT_LIST_DIR}/finder_bench.cpp)
target_link_libraries(finder_bench PRIVATE velmora_options velmora_finder_walk)
