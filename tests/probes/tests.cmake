nodewick_add_test(probes_unit_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_probes_unit.cpp)
# Started by probes_unit_test with a file capability, as the program would be after setcap.
add_executable(probes_capability_probe ${CMAKE_CURRENT_LIST_DIR}/capability_probe.cpp)
target_link_libraries(probes_capability_probe PRIVATE nodewick_platform nodewick_options)
add_dependencies(probes_unit_test probes_capability_probe)
target_compile_definitions(probes_unit_test PRIVATE
  NODEWICK_CAPABILITY_PROBE="$<TARGET_FILE:probes_capability_probe>")
nodewick_add_test(probes_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_probes_alloc.cpp)
if(TARGET nodewick_lab)
  nodewick_add_test(probes_lab_test LAB
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_probes_lab.cpp ${CMAKE_CURRENT_LIST_DIR}/echo_path.h)
endif()
