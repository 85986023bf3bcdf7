# The Debian package: cpack -G DEB in a Release build (scripts/package).
# Installs ob32pyii and ob32pyii-send to /usr/bin, the schema, the sample data
# and make-sample-db under /usr/share/ob32pyii (ob32pyii-make-sample-db in
# /usr/bin), README and licence under /usr/share/doc/ob32pyii. Nothing of the
# user's Windows folder (exchange file, NEXOVA.INI, log) is ever packaged.

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/ob32pyii)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/ob32pyii RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ob32pyii)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "OB32PYII project")
set(CPACK_PACKAGE_CONTACT "OB32PYII developers <ob32pyii@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link between PYRALIS II and the ORBISTA calibration database")
set(CPACK_PACKAGE_DESCRIPTION
    "OB32PYII is started and driven by PYRALIS II through the exchange file OB32PYII.INI. It logs in to the ORBISTA database over ODBC, locates the instrument under test, creates the calibration record, attaches the standards and writes the results. ob32pyii-send plays the peer's side for scripts and support.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/ob32pyii")
find_program(OB_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(OB_DPKG_SHLIBDEPS)
    # The Qt 6 widgets and print support libraries and unixODBC's driver
    # manager, with the versions this build was linked against.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6printsupport6, libqt6gui6, libqt6core6, libodbc2")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc, sqlite3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, odbc-mariadb, postgresql-client")
include(CPack)
