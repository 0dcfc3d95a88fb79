# The main window and the tool dialogs, built as program start builds them, on the offscreen platform.
# Each executable moves itself into a network namespace of its own (as root, or through a user
# namespace), so the window's port 6767 and the loopback scan stay private to it.
find_package(Qt6 REQUIRED COMPONENTS Test)

set(_ui_dir ${CMAKE_CURRENT_LIST_DIR})
nodewick_add_test(ui_main_window
  SOURCES ${_ui_dir}/program.cpp ${_ui_dir}/program.h ${_ui_dir}/test_window.cpp ${_ui_dir}/test_waitfield.cpp
  LIBS Qt6::Test
  LABELS ui)
nodewick_add_test(ui_dialogs
  SOURCES ${_ui_dir}/program.cpp ${_ui_dir}/program.h ${_ui_dir}/test_dialogs.cpp
  LIBS Qt6::Test
  LABELS ui)
