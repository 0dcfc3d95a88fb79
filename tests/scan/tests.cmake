# The endpoint and the worker through the real window, on loopback in a private network namespace.
nodewick_add_test(scan_loopback_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_endpoint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_worker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_fixture.h
  TIMEOUT 300)
target_include_directories(scan_loopback_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
