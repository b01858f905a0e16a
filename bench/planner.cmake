# One full month page at screen size, with and without entries, and a large roster.
rostelmark_add_bench(bench_planner ${CMAKE_CURRENT_LIST_DIR}/bench_planner.cpp)
