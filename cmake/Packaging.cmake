# SPDX-License-Identifier: MIT
# Installing like a desktop program (cmake --install) and the Debian package (cpack, ./package).
#
# A portable build keeps config.ini beside the program. An installed program cannot write into
# bin/, so builds meant for installing keep it in the user's configuration folder instead.
option(SKYREND_INSTALLED_LAYOUT
  "Keep config.ini in the user's configuration folder, as an installed program must" OFF)

include(GNUInstallDirs)

set(_skyrend_packaging ${PROJECT_SOURCE_DIR}/packaging)
# Debian keeps a package's documents under its package name, not the project's.
set(_skyrend_docdir ${CMAKE_INSTALL_DATADIR}/doc/skyrend-f1-editor)

if(TARGET skyrend_settings AND SKYREND_INSTALLED_LAYOUT)
  target_compile_definitions(skyrend_settings PRIVATE SKYREND_INSTALLED_LAYOUT=1)
endif()

if(NOT SKYREND_INSTALLED_LAYOUT)
  install(CODE [[
    message(STATUS "Note: a portable build keeps config.ini beside the installed program; "
      "configure with -DSKYREND_INSTALLED_LAYOUT=ON to keep it in the user's folder.")
  ]])
endif()

install(TARGETS skyrend-f1 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET skyrend-f1-editor)
  install(TARGETS skyrend-f1-editor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_skyrend_packaging}/skyrend-f1-editor.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_skyrend_packaging}/skyrend-f1-editor.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${_skyrend_packaging}/icons/skyrend-f1-editor.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(_size 48 256)
    install(FILES ${_skyrend_packaging}/icons/skyrend-f1-editor-${_size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
      RENAME skyrend-f1-editor.png)
  endforeach()
endif()

# What a software centre lists: the AppStream file, named by its component id.
if(TARGET skyrend-f1-editor)
  install(FILES ${_skyrend_packaging}/example.skyrend.f1editor.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The licence, in Debian's machine-readable form, and the changelog of this native package.
install(FILES ${_skyrend_packaging}/debian/copyright
  DESTINATION ${_skyrend_docdir})

# Man pages and the changelog go in compressed, as Debian's policy wants them.
set(_skyrend_man_pages skyrend-f1)
if(TARGET skyrend-f1-editor)
  list(APPEND _skyrend_man_pages skyrend-f1-editor)
endif()
find_program(SKYREND_GZIP gzip)
foreach(_page IN LISTS _skyrend_man_pages)
  set(_source ${_skyrend_packaging}/man/${_page}.1)
  if(SKYREND_GZIP)
    set(_gz ${CMAKE_CURRENT_BINARY_DIR}/man/${_page}.1.gz)
    add_custom_command(OUTPUT ${_gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${SKYREND_GZIP} -9 -n -c ${_source} > ${_gz}
      DEPENDS ${_source}
      VERBATIM)
    list(APPEND _skyrend_man_outputs ${_gz})
    install(FILES ${_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${_source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
if(SKYREND_GZIP)
  set(_gz ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
  add_custom_command(OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/doc
    COMMAND ${SKYREND_GZIP} -9 -n -c ${_skyrend_packaging}/debian/changelog > ${_gz}
    DEPENDS ${_skyrend_packaging}/debian/changelog
    VERBATIM)
  list(APPEND _skyrend_man_outputs ${_gz})
  install(FILES ${_gz} DESTINATION ${_skyrend_docdir})
else()
  install(FILES ${_skyrend_packaging}/debian/changelog DESTINATION ${_skyrend_docdir})
endif()
if(_skyrend_man_outputs)
  add_custom_target(skyrend_man_pages ALL DEPENDS ${_skyrend_man_outputs})
endif()

# ---- The Debian package ----------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyrend-f1-editor)
set(CPACK_PACKAGE_VENDOR "Skyrend F1 Editor developers")
set(CPACK_PACKAGE_CONTACT "Skyrend F1 Editor developers <editor@skyrend.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the F1 help file of the game Skyrend")
# Debian wants the long description in lines of under 80 characters; an empty line parts
# paragraphs.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Skyrend shows its help file, Commands.hlp, page by page when a player"
  "presses F1. The file is Windows-1252 text with colour tags such as %R and"
  "key macros such as %KEsc."
  ""
  "This editor shows the help text in its real colours and writes the tags"
  "back when it saves. The package also holds skyrend-f1, a command-line tool"
  "that decodes, encodes, normalizes and checks help files by the same rules,"
  "for scripts and pipelines.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.skyrend.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link (Qt, the C++ runtime) become the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only what install() names goes in; the project's static libraries install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
