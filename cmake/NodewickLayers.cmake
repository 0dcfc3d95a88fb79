# nodewick_check_no_widgets(target ...): the targets fail to build while one of their sources
# includes a Qt Widgets header, even where the header would be found.
function(nodewick_check_no_widgets)
  set(widgets_dir "")
  get_target_property(dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir ${dirs})
    if(dir MATCHES "/QtWidgets$")
      set(widgets_dir ${dir})
    endif()
  endforeach()
  if(NOT widgets_dir)
    message(FATAL_ERROR "Qt Widgets headers not found")
  endif()
  foreach(target ${ARGN})
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(files)
    foreach(source ${sources})
      if(source MATCHES "\\.(h|cpp)$")
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
        list(APPEND files ${path})
      endif()
    endforeach()
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.no-widgets)
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} "-DFILES=${files}" -DWIDGETS_DIR=${widgets_dir} -DSTAMP=${stamp}
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckNoWidgets.cmake
      DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckNoWidgets.cmake
      COMMENT "Checking that ${target} includes no widget header" VERBATIM)
    add_custom_target(${target}_no_widgets DEPENDS ${stamp})
    add_dependencies(${target} ${target}_no_widgets)
  endforeach()
endfunction()
