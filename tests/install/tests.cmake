# The program installed as a desktop application and packaged for Debian, checked with the
# desktop's own validators and lintian. Once per build type is enough: sanitized builds skip them.
if(NOT NODEWICK_SANITIZE)
  add_test(NAME install_tree
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_install.sh
      ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${NODEWICK_APP_ID} ${PROJECT_VERSION})
  add_test(NAME install_package
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_package.sh
      ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${NODEWICK_APP_ID} ${PROJECT_VERSION})
  set_tests_properties(install_tree install_package PROPERTIES
    SKIP_RETURN_CODE 77
    TIMEOUT 300
    LABELS install)
endif()
