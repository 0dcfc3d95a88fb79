# Start-up of the real program to its window shown, and its memory at rest, in a lab whose resolver
# never answers (needs the lab, so root and iproute2 at run time).
if(TARGET nodewick_lab)
  add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
  target_link_libraries(bench_startup PRIVATE nodewick_options nodewick_lab)
  target_compile_definitions(bench_startup PRIVATE NODEWICK_PROGRAM="$<TARGET_FILE:nodewick>")
  add_dependencies(bench_startup nodewick)
endif()
