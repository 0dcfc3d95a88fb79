nodewick_add_test(probes_unit_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/probes_unit_test.cpp)
nodewick_add_test(probes_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/probes_alloc_test.cpp)
