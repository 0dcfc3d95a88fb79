nodewick_add_test(probes_unit_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/probes_unit_test.cpp)
nodewick_add_test(probes_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/probes_alloc_test.cpp)
if(TARGET nodewick_lab)
  nodewick_add_test(probes_lab_test LAB
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/probes_lab_test.cpp ${CMAKE_CURRENT_LIST_DIR}/echo_path.h)
endif()
