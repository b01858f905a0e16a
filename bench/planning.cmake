# Coverage rows and rule markers against the plain month drawing; the plan check alone.
rostelmark_add_bench(bench_planning ${CMAKE_CURRENT_LIST_DIR}/bench_planning.cpp)
