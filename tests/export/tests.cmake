# Saving and printing the results.
set(_export_dir ${CMAKE_CURRENT_LIST_DIR})
nodewick_add_test(export_report_test SOURCES ${_export_dir}/test_report.cpp)
nodewick_add_test(export_save_test SOURCES ${_export_dir}/test_save.cpp
  ${_export_dir}/export_support.cpp ${_export_dir}/export_support.h)
nodewick_add_test(export_print_test SOURCES ${_export_dir}/test_print.cpp
  ${_export_dir}/export_support.cpp ${_export_dir}/export_support.h)
