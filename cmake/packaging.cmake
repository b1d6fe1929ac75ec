# What `cmake --install` puts under the prefix, and the Debian package CPack makes.
# Installing does not rebuild everything first: build, then install or package.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
# The desktop entry and metainfo are named by the component id a software
# centre knows the game by; the metainfo links to the screenshots published
# under ZORRIT_WEB_ADDRESS.
set(ZORRIT_APP_ID com.fennomark.Zorrit)
set(ZORRIT_WEB_ADDRESS "https://brinelight.example/zorrit" CACHE STRING
    "Where the game's home page and screenshots (docs/screenshots) are published")
configure_file(resources/desktop/${ZORRIT_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/desktop/${ZORRIT_APP_ID}.metainfo.xml @ONLY)
install(FILES resources/desktop/${ZORRIT_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${ZORRIT_APP_ID}.metainfo.xml DESTINATION share/metainfo)
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
# On a Wayland compositor without server-side decorations (GNOME) the window's
# title bar is drawn by libdecor's plugin; SDL draws the picture through EGL.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libdecor-0-plugin-1-cairo, libegl1")
set(CPACK_STRIP_FILES ON)
include(CPack)
