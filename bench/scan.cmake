# Quick scans of a /24 beside their floor and beside nbtscan, and a Thorough scan of silent
# addresses, in a lab of their own (needs the lab, so root, iproute2 and nbtscan at run time).
if(TARGET nodewick_lab)
  add_executable(bench_scan ${CMAKE_CURRENT_LIST_DIR}/bench_scan.cpp)
  target_link_libraries(bench_scan PRIVATE nodewick_core nodewick_options nodewick_lab)
endif()
