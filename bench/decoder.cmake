# The reply decoder, pure code: replies decoded per second.
find_package(benchmark REQUIRED)
add_executable(bench_decoder ${CMAKE_CURRENT_LIST_DIR}/bench_decoder.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/nbstat_samples.cpp)
target_include_directories(bench_decoder PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bench_decoder PRIVATE nodewick_protocol nodewick_options benchmark::benchmark)
