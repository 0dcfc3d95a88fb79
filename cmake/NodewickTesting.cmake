# nodewick_add_test(NAME SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT seconds] [LAB])
# One executable per test file group, registered with ctest. Every test runs Qt on the
# offscreen platform, so no display is needed, and in one locale, whose OEM code page for NetBIOS
# names is 850. LAB tests build their own network namespaces.
function(nodewick_add_test name)
  cmake_parse_arguments(T "LAB" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE nodewick_core nodewick_options nodewick_test_support GTest::gtest ${T_LIBS})
  if(T_LAB)
    target_link_libraries(${name} PRIVATE nodewick_lab_main)
    list(APPEND T_LABELS lab)
  else()
    target_link_libraries(${name} PRIVATE nodewick_test_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false;LC_ALL=C.UTF-8"
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}")
  if(T_LAB)
    # Labs are cheap but not free on two cores; keep them from crowding each other.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK netlab)
  endif()
endfunction()
