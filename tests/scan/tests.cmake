# The endpoint and the worker through the real window, on loopback in a private network namespace.
nodewick_add_test(scan_loopback_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_endpoint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_worker.cpp
  TIMEOUT 300)
