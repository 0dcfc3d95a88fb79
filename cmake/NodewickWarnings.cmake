# Compiler settings shared by every target of the project.
add_library(nodewick_options INTERFACE)
target_compile_options(nodewick_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2)
if(NODEWICK_WERROR)
  target_compile_options(nodewick_options INTERFACE -Werror)
endif()
if(NODEWICK_SANITIZE)
  list(JOIN NODEWICK_SANITIZE "," _nodewick_san)
  target_compile_options(nodewick_options INTERFACE -fsanitize=${_nodewick_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(nodewick_options INTERFACE -fsanitize=${_nodewick_san})
endif()
