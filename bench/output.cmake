# PDF export of a three-page month against drawing the same pages without a file.
rostelmark_add_bench(bench_output ${CMAKE_CURRENT_LIST_DIR}/bench_output.cpp)
