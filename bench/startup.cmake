# Process start to the main window's first paint, beside a bare window with the same tabs.
if(TARGET rostelmark)
  add_executable(bench_startup_bare ${CMAKE_CURRENT_LIST_DIR}/bench_startup_bare.cpp)
  target_link_libraries(bench_startup_bare PRIVATE Qt6::Widgets)
  target_include_directories(bench_startup_bare PRIVATE ${PROJECT_SOURCE_DIR}/src)
  rostelmark_add_bench(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
  target_include_directories(bench_startup PRIVATE ${PROJECT_SOURCE_DIR}/tests/planner)
  target_compile_definitions(bench_startup PRIVATE ROSTELMARK_EXE="$<TARGET_FILE:rostelmark>"
    BARE_EXE="$<TARGET_FILE:bench_startup_bare>")
  add_dependencies(bench_startup rostelmark bench_startup_bare)
endif()
