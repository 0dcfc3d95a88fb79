# The whole program under load and bad input, through the real window in the lab: a flood at port
# 6767 from a host namespace, hostile datagrams, a walk across 255 third-octet blocks, awkward
# range and wait texts, and the real binary started while port 6767 is taken.
if(TARGET nodewick_lab)
  # The flood's source, run in a host namespace of the lab (plain POSIX, like the lab's responder).
  add_executable(flood_sender ${CMAKE_CURRENT_LIST_DIR}/flood_sender.cpp)
  target_link_libraries(flood_sender PRIVATE nodewick_samples nodewick_options)

  nodewick_add_test(load_flood_tests LAB SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_flood.cpp
    ${CMAKE_CURRENT_LIST_DIR}/load_support.h
    TIMEOUT 600)
  target_compile_definitions(load_flood_tests PRIVATE NODEWICK_FLOOD_SENDER="$<TARGET_FILE:flood_sender>")
  add_dependencies(load_flood_tests flood_sender)

  nodewick_add_test(load_walk_tests LAB SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/test_walk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/load_support.h
    ${CMAKE_CURRENT_LIST_DIR}/walk_network.h
    TIMEOUT 600)
  target_include_directories(load_walk_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(load_walk_tests PRIVATE NODEWICK_PROGRAM="$<TARGET_FILE:nodewick>")
  add_dependencies(load_walk_tests nodewick)
endif()
