# SPDX-License-Identifier: MIT

cmake_minimum_required(VERSION 3.25)
# Run as a script at build time: fails when one of SOURCES includes a project header that its
# library may not use. ALLOWED holds folders ("document") and single headers
# ("editor/RichTextBox.h"); system and Qt headers (<...>) are not looked at.
# The lists come joined with "|", so that paths with spaces pass whole.
string(REPLACE "|" ";" _sources "${SOURCES}")
string(REPLACE "|" ";" _allowed "${ALLOWED}")
set(_faults "")
foreach(_src IN LISTS _sources)
  if(NOT EXISTS "${_src}")
    continue()
  endif()
  file(STRINGS "${_src}" _lines REGEX "^#include \"[A-Za-z_]+/[^\"]+\"")
  foreach(_line IN LISTS _lines)
    string(REGEX REPLACE "^#include \"(([A-Za-z_]+)/[^\"]+)\".*" "\\1" _header "${_line}")
    string(REGEX REPLACE "/.*" "" _folder "${_header}")
    if(NOT _folder IN_LIST _allowed AND NOT _header IN_LIST _allowed)
      string(APPEND _faults "\n  ${_src}: ${_line}")
    endif()
  endforeach()
endforeach()
if(_faults)
  string(REPLACE ";" ", " _allowed_text "${_allowed}")
  message(FATAL_ERROR "${TARGET} may include only ${_allowed_text}; these go against the "
                      "direction of the dependencies:${_faults}")
endif()
file(TOUCH "${STAMP}")
