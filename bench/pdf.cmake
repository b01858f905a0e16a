# The ten-page month export document against encoding the same images with libjpeg alone.
rostelmark_add_bench(bench_pdf ${CMAKE_CURRENT_LIST_DIR}/bench_pdf.cpp)
target_link_libraries(bench_pdf PRIVATE JPEG::JPEG)
target_include_directories(bench_pdf PRIVATE ${PROJECT_SOURCE_DIR}/tests/pdf)
