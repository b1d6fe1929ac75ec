# What `cmake --install` puts under the prefix, and the Debian package CPack makes.
# Installing does not rebuild everything first: build, then install or package.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(FILES resources/desktop/zorrit.desktop DESTINATION share/applications)
install(FILES resources/desktop/zorrit.metainfo.xml DESTINATION share/metainfo)
install(FILES resources/desktop/zorrit.6 DESTINATION share/man/man6)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorrit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zorrit developers <dev@zorrit.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small arcade game: bop a citrus slice with a tortoiseshell cat")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
