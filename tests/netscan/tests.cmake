# Scans of a real network: namespaces with Samba nmbd hosts, a host without NetBIOS, a node-status
# responder with a real MAC, and silent addresses, all built and torn down by the test.
if(TARGET nodewick_lab)
  nodewick_add_test(netscan_tests LAB SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_netscan.cpp
    TIMEOUT 600)
  nodewick_add_test(local_address_tests LAB SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_local_addresses.cpp
    TIMEOUT 300)
endif()
