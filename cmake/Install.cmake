# The installation around the program folder (whose files src/app and
# src/mediacheck install): the launchers, the desktop menu entry with its
# icons, the AppStream description, the copyright; and the Debian package of
# all of it (cpack -G DEB, scripts/package). Only the product installs
# anything: the test and benchmark programs have no install rules.
set(MENDORA_APP_ID com.corvanta.Mendora)

# bin/mendora and bin/mendora-check are relative links into the program
# folder. The program finds its companion files beside the executable the
# link resolves to (/proc/self/exe), so it runs from them as from the folder.
cmake_path(RELATIVE_PATH MENDORA_INSTALL_PROGRAM_DIR BASE_DIRECTORY ${CMAKE_INSTALL_BINDIR}
  OUTPUT_VARIABLE program_dir_from_bin)
set(launchers ${CMAKE_BINARY_DIR}/launchers)
file(MAKE_DIRECTORY ${launchers})
foreach(link mendora:Mendora mendora-check:mendora-check)
  string(REPLACE ":" ";" link ${link})
  list(GET link 0 name)
  list(GET link 1 program)
  file(CREATE_LINK ${program_dir_from_bin}/${program} ${launchers}/${name} SYMBOLIC)
  install(FILES ${launchers}/${name} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

set(linux ${CMAKE_SOURCE_DIR}/resources/linux)
install(FILES ${linux}/${MENDORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon theme's sizes, drawn by resources/tools/DrawIcons.cpp.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/icons/hicolor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
configure_file(${linux}/${MENDORA_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/${MENDORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${MENDORA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Debian's place for the copyright and license of a package.
install(FILES ${linux}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mendora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mendora)
set(CPACK_PACKAGE_VENDOR Corvanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvanta <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check damaged video, music and picture files")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.example.com/mendora/)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Mendora Pro reads and decodes every file of a list and marks it intact,
damaged or not checked: Windows Media, AVI, MPEG and RealMedia video,
MP3, MP2, WAV, WMA and RealAudio music, JPEG and BMP pictures. Files are
only read, never changed. The same checker runs from the command line as
mendora-check.]])
# The library packages (Qt, FFmpeg, libjpeg, xcb) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows ask for these fonts in place of the ones they were designed with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation | fonts-dejavu-core")
include(CPack)
