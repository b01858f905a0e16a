# The day list and the year overview at screen size, 200 employees with ten years of entries.
rostelmark_add_bench(bench_views ${CMAKE_CURRENT_LIST_DIR}/bench_views.cpp)
