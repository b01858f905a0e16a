# A hover move and a cursor move over the month planner page of the real main window,
# offscreen.
if(TARGET rostelmark_ui)
  rostelmark_add_bench(bench_planner_page ${CMAKE_CURRENT_LIST_DIR}/bench_planner_page.cpp)
  target_link_libraries(bench_planner_page PRIVATE rostelmark_ui Qt6::Test)
  target_include_directories(bench_planner_page PRIVATE ${PROJECT_SOURCE_DIR}/tests/planner)
endif()
