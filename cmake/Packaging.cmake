# The Debian package: `cpack -G DEB` in a build folder, after `cmake --build`.
# Its dependencies are the shared libraries the binary links (dpkg-shlibdeps)
# plus the programs Varnic starts: xdg-open, behind QDesktopServices::openUrl.
set(VARNIC_MAINTAINER "The Varnic developers <varnic@users.noreply.github.com>")

# Installed with every install, not only the package's: the copyright notice and
# the changelog where Debian, and a reader of /usr/share/doc, looks for them.
execute_process(COMMAND date -R -u -d ${VARNIC_RELEASE_DATE}
                OUTPUT_VARIABLE VARNIC_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in changelog @ONLY)
# -n leaves the time out of the archive, so the same source gives the same file.
add_custom_command(OUTPUT changelog.gz
  COMMAND gzip -9nkf changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog VERBATIM)
add_custom_target(varnic_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnic)

set(CPACK_PACKAGE_NAME varnic)
set(CPACK_PACKAGE_VENDOR "The Varnic developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resize another application's window to an exact size")
set(CPACK_PACKAGE_CONTACT ${VARNIC_MAINTAINER})
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/varnic/varnic)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS xdg-utils)
# The summary is the synopsis line; this is the extended description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Varnic lives in the system tray and resizes a window of another application
to an exact width and height, title bar and borders included: one of twelve
presets (1080p, 4K, social media formats, laptop, tablet and phone screens)
or a size typed in. It works on X11 sessions with an EWMH window manager and
with XWayland windows on Wayland sessions.")
include(CPack)
