# Pure code: the reply codec, the address texts and walk, the range proposal, the text conversion.
nodewick_add_test(unit_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_nbstat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_addresses.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_sync.cpp
  TIMEOUT 120)
