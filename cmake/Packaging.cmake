# What `cmake --install` puts beside the program, and the Debian package made from it with
# `cpack -G DEB`. The program finds <prefix>/share/kalvero/map.txt from its own folder.
install(FILES ${CMAKE_SOURCE_DIR}/data/map.txt ${CMAKE_SOURCE_DIR}/data/MAP-NOTES.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kalvero)
install(FILES ${CMAKE_SOURCE_DIR}/resources/kalvero.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/org.kalvero.Kalvero.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hicolor/kalvero-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kalvero.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hicolor/kalvero.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(KALVERO_PACKAGE_MAINTAINER "Kalvero maintainers" CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME kalvero)
set(CPACK_PACKAGE_VENDOR "Kalvero")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Rich-text editor for English, Arabic and Coptic")
set(CPACK_PACKAGE_DESCRIPTION "Kalvero types Arabic and Coptic on a keyboard with only Latin keys, through a \
character map, in a small word processor that saves RTF.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kalvero.org")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KALVERO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
# The libraries the binary links give the dependencies; Qt's X11 platform plugin is loaded at
# run time, so it is named here. The Noto faces draw the Coptic and Arabic letters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core")
include(CPack)
