# Saving and printing the results.
set(_export_dir ${CMAKE_CURRENT_LIST_DIR})
nodewick_add_test(export_report_test SOURCES ${_export_dir}/report_test.cpp)
