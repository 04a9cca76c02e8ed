# The installation around the program folder (whose files src/app and
# src/mediacheck install): the launchers, the desktop menu entry with its
# icons, the AppStream description, the copyright. Only the product installs
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

