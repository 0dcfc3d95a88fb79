# Quick scans of a /24 in a lab of their own, beside their floor and beside nbtscan (needs the lab,
# so root, iproute2 and nbtscan at run time).
if(TARGET nodewick_lab)
  add_executable(bench_quickscan ${CMAKE_CURRENT_LIST_DIR}/bench_quickscan.cpp)
  target_link_libraries(bench_quickscan PRIVATE nodewick_core nodewick_options nodewick_lab)
endif()
