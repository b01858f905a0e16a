# Calendar files of all 200 employees for one year of the ten-year roster.
rostelmark_add_bench(bench_ical ${CMAKE_CURRENT_LIST_DIR}/bench_ical.cpp)
