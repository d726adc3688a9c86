# SPDX-License-Identifier: MIT
# Each folder of src/ is a library, and the libraries depend on each other one way only:
#   document <- storage, settings; platform <- edit box <- find, panels; safety <- session <- window
# skyrend_layer(<target> MAY_INCLUDE <folders or headers...>) makes the build of <target> fail
# when one of its sources includes a header from outside what it may use, so a dependency that
# points the wrong way (and with it a cycle) is caught when it is written, not when it hurts.
function(skyrend_layer target)
  cmake_parse_arguments(L "" "" "MAY_INCLUDE" ${ARGN})
  get_target_property(_sources ${target} SOURCES)
  get_target_property(_dir ${target} SOURCE_DIR)
  set(_absolute "")
  foreach(_src IN LISTS _sources)
    if(NOT IS_ABSOLUTE "${_src}")
      set(_src "${_dir}/${_src}")
    endif()
    if(_src MATCHES "\\.(cpp|h)$")
      list(APPEND _absolute "${_src}")
    endif()
  endforeach()
  set(_stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}.layer")
  string(REPLACE ";" "|" _sources_arg "${_absolute}")
  string(REPLACE ";" "|" _allowed_arg "${L_MAY_INCLUDE}")
  add_custom_command(OUTPUT "${_stamp}"
    COMMAND ${CMAKE_COMMAND} "-DTARGET=${target}" "-DSOURCES=${_sources_arg}"
            "-DALLOWED=${_allowed_arg}" "-DSTAMP=${_stamp}"
            -P "${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake"
    DEPENDS ${_absolute} "${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake"
    COMMENT "Checking what ${target} includes"
    VERBATIM)
  add_custom_target(${target}_layer DEPENDS "${_stamp}")
  add_dependencies(${target} ${target}_layer)
endfunction()

# The edit box's own headers: the parts above it may use these, not the window's.
set(SKYREND_EDITBOX_HEADERS
  editor/RichTextBox.h editor/SavedColorKeeper.h editor/StatusLabel.h editor/InputBlocker.h
  editor/TagView.h editor/TagViewSwitch.h editor/BoxLines.h)
