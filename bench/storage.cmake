rostelmark_add_bench(bench_storage ${CMAKE_CURRENT_LIST_DIR}/bench_storage.cpp)
