# Rows and log lines through the real window: time per insertion as the table grows, memory per row.
add_executable(bench_table ${CMAKE_CURRENT_LIST_DIR}/bench_table.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/nbstat_samples.cpp)
target_include_directories(bench_table PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bench_table PRIVATE nodewick_core nodewick_options)
