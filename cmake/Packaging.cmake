# What `cmake --install` puts in place and what `cpack` packs: both programs,
# the pytest plugin, the Jest sequencer, their manual pages (antorder-suite's made from its --help by help2man, where
# the program runs on the build machine), the licence, and the README with the
# manual's docs/ beside it; a .deb on Linux, a .zip on Windows.

# The pytest plugin, for PYTHONPATH: share/antorder/antorder_pytest.py; the
# Jest sequencer, for Jest's testSequencer: share/antorder/jest-sequencer.js.
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/pytest_plugin/antorder_pytest.py
    ${PROJECT_SOURCE_DIR}/jest_sequencer/jest-sequencer.js DESTINATION share/antorder)
else()
  include(GNUInstallDirs)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/man/antorder.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/pytest_plugin/antorder_pytest.py
    ${PROJECT_SOURCE_DIR}/jest_sequencer/jest-sequencer.js DESTINATION ${CMAKE_INSTALL_DATADIR}/antorder)
  find_program(HELP2MAN help2man)
  if(TARGET antorder-suite AND HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
    set(page ${PROJECT_BINARY_DIR}/antorder-suite.1)
    add_custom_command(OUTPUT ${page}
      COMMAND ${HELP2MAN} --no-info --section 1 --output ${page}
        "--name=order the tests of a suite with an ant colony so that faults are revealed early"
        $<TARGET_FILE:antorder-suite>
      COMMAND ${CMAKE_COMMAND} -DPAGE=${page} -P ${PROJECT_SOURCE_DIR}/cmake/ManualSections.cmake
      DEPENDS antorder-suite ${PROJECT_SOURCE_DIR}/cmake/ManualSections.cmake
      COMMENT "Making the manual page of antorder-suite"
      VERBATIM)
    add_custom_target(antorder_suite_manual ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  elseif(TARGET antorder-suite)
    message(STATUS "Leaving out antorder-suite's manual page: no help2man (Debian: help2man)")
  endif()
endif()

set(CPACK_PACKAGE_NAME antorder)
set(CPACK_PACKAGE_VENDOR "The antorder authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orders the tests of a suite with an ant colony so that faults are revealed early")
set(CPACK_PACKAGE_CONTACT "The antorder authors")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  # Debian's names for the target's processor, so that a cross build is packed for its target.
  set(debianArchitectures x86_64 amd64 AMD64 amd64 aarch64 arm64 i686 i386 i386 i386)
  list(FIND debianArchitectures ${CMAKE_SYSTEM_PROCESSOR} at)
  if(at GREATER_EQUAL 0)
    math(EXPR at "${at} + 1")
    list(GET debianArchitectures ${at} architecture)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${architecture})
  endif()
  find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(DPKG_SHLIBDEPS AND NOT CMAKE_CROSSCOMPILING)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
  endif()
endif()
include(CPack)
