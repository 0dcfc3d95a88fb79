# The host probes against the lab's peers: echo on each of its three paths, and the bounded lookups.
find_package(benchmark QUIET)
if(TARGET benchmark::benchmark AND TARGET nodewick_lab)
  add_executable(probes_bench ${CMAKE_CURRENT_LIST_DIR}/probes_bench.cpp)
  target_include_directories(probes_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/probes)
  target_link_libraries(probes_bench PRIVATE nodewick_core nodewick_options nodewick_lab benchmark::benchmark)
endif()
