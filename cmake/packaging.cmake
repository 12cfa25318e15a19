# The Debian package: `cpack -G DEB` in a build directory (`make package` at the root) makes
# velantor_<version>-<release>_<arch>.deb with the programs built here, their man pages (gzip'd),
# the desktop entry, icon and AppStream metainfo, the README and the copyright file Debian wants.
# Depends comes from the binaries themselves (dpkg-shlibdeps), so it always matches the build.

set(VELANTOR_DEB_RELEASE 1)
set(VELANTOR_DEB_VERSION ${PROJECT_VERSION}-${VELANTOR_DEB_RELEASE})
set(VELANTOR_DOC_DIR share/doc/velantor)
set(VELANTOR_PACKAGE_BUILD ${CMAKE_BINARY_DIR}/package-files)

# Debian wants documentation and man pages compressed, reproducibly (no name or time stamp: -n).
function(velantor_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}")
  set_property(GLOBAL APPEND PROPERTY VELANTOR_PACKAGE_FILES ${output})
endfunction()

configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${VELANTOR_PACKAGE_BUILD}/changelog.Debian @ONLY)
velantor_gzip(${VELANTOR_PACKAGE_BUILD}/changelog.Debian ${VELANTOR_PACKAGE_BUILD}/changelog.Debian.gz)
install(FILES ${VELANTOR_PACKAGE_BUILD}/changelog.Debian.gz ${CMAKE_SOURCE_DIR}/cmake/debian/copyright
              ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${VELANTOR_DOC_DIR})
file(GLOB VELANTOR_METAINFO CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.metainfo.xml)
if(TARGET velantor)
  install(FILES ${VELANTOR_METAINFO} DESTINATION share/metainfo)
endif()

# Runs once the whole tree is read, so that programs defined after this file (velantorctl)
# are seen: a man page goes in when its program is built.
function(velantor_package_finish)
  file(GLOB pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.1)
  foreach(page ${pages})
    get_filename_component(program ${page} NAME_WE)
    if(TARGET ${program})
      velantor_gzip(${page} ${VELANTOR_PACKAGE_BUILD}/${program}.1.gz)
      install(FILES ${VELANTOR_PACKAGE_BUILD}/${program}.1.gz DESTINATION share/man/man1)
    endif()
  endforeach()
  get_property(files GLOBAL PROPERTY VELANTOR_PACKAGE_FILES)
  add_custom_target(package_files ALL DEPENDS ${files})
  # What the package holds, without the tests: `make package` builds this, then runs cpack.
  add_custom_target(package_contents)
  foreach(target velantor velantor-sim velantorctl package_files)
    if(TARGET ${target})
      add_dependencies(package_contents ${target})
    endif()
  endforeach()

  # Installs the package into a root of its own (never the machine's) and removes it again.
  find_program(VELANTOR_DPKG dpkg)
  find_program(VELANTOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(VELANTOR_DPKG AND VELANTOR_DPKG_SHLIBDEPS AND TARGET velantor AND TARGET velantor-sim)
    add_test(NAME package
      COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND})
    set_tests_properties(package PROPERTIES LABELS package TIMEOUT 300 RUN_SERIAL ON SKIP_RETURN_CODE 77)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL velantor_package_finish)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velantor)
set(CPACK_PACKAGE_VENDOR "The Velantor developers")
set(CPACK_PACKAGE_CONTACT "The Velantor developers <velantor@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for HDMI matrix switchers")
# Lines of the long description stay under 80 columns, as Debian wants.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Velantor controls an HDMI matrix switcher over a serial port or TCP: it"
  "shows which inputs and outputs have a device attached, routes inputs to"
  "outputs, sets switching effects and signal types, stores and recalls"
  "scenes, chooses the EDID each input presents, finds switchers on the local"
  "network and changes their network settings, and writes new firmware."
  "The package also holds velantor-sim, an emulator of the switcher, to try"
  "the panel without hardware, and velantorctl, a command-line client for"
  "scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELANTOR_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velantor.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
