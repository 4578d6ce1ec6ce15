# Installing and packaging. `cmake --install` puts the command where the
# system looks for it; CPack makes a Debian package of the Linux build and a
# zip of the Windows build, both named with the project's version.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME kavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "rename many files in one run by replacing a piece of each name")
set(CPACK_PACKAGE_DESCRIPTION
    "kavo replaces the first match of an old string (with ? and * wildcards,
anchors and a choice of name part) by a new string in the names of the files
that its arguments select, optionally walking subdirectories, naming files
after their time stamps, overwriting, or only showing what it would do. Skip
and limit options select entries by path, name, extension, attributes, size
and time. Its messages are Japanese; names are converted from and to the
user's encoding.")
set(KAVO_PACKAGE_CONTACT "kavo developers"
    CACHE STRING "The maintainer named in the Debian package")
set(CPACK_PACKAGE_CONTACT "${KAVO_PACKAGE_CONTACT}")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # What a Windows user unpacks into one folder: the command with its
  # configuration file beside it, where kavo.exe looks for it (the sample
  # holds only comments, so it changes nothing until it is edited), and
  # README. The sample gets the line ends of a Windows text file.
  configure_file(doc/kavo.cfg ${CMAKE_CURRENT_BINARY_DIR}/kavo.cfg @ONLY
                 NEWLINE_STYLE CRLF)
  install(TARGETS kavo RUNTIME DESTINATION .)
  install(FILES README.md ${CMAKE_CURRENT_BINARY_DIR}/kavo.cfg DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  install(TARGETS kavo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES doc/kavo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES doc/kavo.cfg DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
  # kavo_<version>_<architecture>.deb, installed under /usr, its
  # dependencies found by dpkg-shlibdeps from the libraries kavo links.
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
endif()

include(CPack)
