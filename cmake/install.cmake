# Install rules, pkg-config and CMake package files, and the Debian package.
#
# Everything shared goes into one library folder: libferrolink.so finds the web module beside
# itself, and the loader finds the event bus and the host library there through $ORIGIN, so that
# an install works under any prefix without LD_LIBRARY_PATH. The tools find the libraries
# through $ORIGIN/../lib the same way.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(ferrolink PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
                                           INSTALL_RPATH "$ORIGIN")
set_target_properties(molvo3 quaynet signalyard PROPERTIES INSTALL_RPATH "$ORIGIN")
file(RELATIVE_PATH libraryFromTools ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(FERROLINK_TOOLS molvo-sim parquet-dump xlsx-dump)
set_target_properties(${FERROLINK_TOOLS} PROPERTIES INSTALL_RPATH "$ORIGIN/${libraryFromTools}")

install(TARGETS ferrolink molvo3 quaynet signalyard LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS ${FERROLINK_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/ferrolink/ferrolink.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ferrolink)

configure_file(cmake/ferrolink.pc.in ${CMAKE_BINARY_DIR}/ferrolink.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ferrolink.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

configure_package_config_file(cmake/FerrolinkConfig.cmake.in ${CMAKE_BINARY_DIR}/FerrolinkConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ferrolink)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/FerrolinkConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/FerrolinkConfig.cmake ${CMAKE_BINARY_DIR}/FerrolinkConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ferrolink)

# A man page for each tool, made from its --help and --version, compressed as man pages are.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(about_molvo-sim "run a model written in Lua with the Ferrolink library loaded")
  set(about_parquet-dump "show the schema and rows of a Parquet file")
  set(about_xlsx-dump "show the sheets and cells of an .xlsx workbook")
  foreach(tool ${FERROLINK_TOOLS})
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
    add_custom_command(OUTPUT ${page}.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                       COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --name=${about_${tool}}
                               --output=${page} $<TARGET_FILE:${tool}>
                       COMMAND gzip -9nf ${page}
                       DEPENDS ${tool} VERBATIM)
    list(APPEND pages ${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# What every Debian package carries beside its files: the copyright and a changelog.
configure_file(cmake/debian/copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
configure_file(cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                   COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/debian/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/ferrolink)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ferrolink)
set(CPACK_PACKAGE_VENDOR "Ferrolink developers")
set(CPACK_PACKAGE_CONTACT "Ferrolink developers <developers@ferrolink.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data exchange library for modelling systems")
set(CPACK_PACKAGE_DESCRIPTION "Ferrolink is loaded by a modelling system as an external procedure
library: it reads JSON, XML, CSV, Excel and Parquet documents into a
model's identifiers and writes them back through XML mapping files, and
offers an HTTP client, a REST task service, text encodings and Unicode
normalization. This package holds the library with its web module and
event bus, the simulated host molvo-sim with its host library, the
tools parquet-dump and xlsx-dump, the C header, and the pkg-config and
CMake files to build against it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own libraries depend on one another; dpkg-shlibdeps is told where they are.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
# A shlibs file for packages built against this one, and the loader's cache refreshed by a trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/triggers)
include(CPack)
