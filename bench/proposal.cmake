# The month proposal against the greedy fill on 24 and 100 employees.
rostelmark_add_bench(bench_proposal ${CMAKE_CURRENT_LIST_DIR}/bench_proposal.cpp)
