# Installation: the program and its command-line tools in bin/, its
# read-only data in share/kavitro/ (found from the program as
# <bin>/../share/kavitro) with the Nastaliq glyph artwork, the five glyph
# fonts once more where fontconfig looks (share/fonts/truetype/kavitro), so
# that other programs can draw the EMF, WMF and clipboard pictures that name
# them, and the desktop entry, MIME types and icons where desktops look for
# them. The build's placeholder artwork is a test fixture and never installed.
include(GNUInstallDirs)

install(TARGETS kavitro kavitro-doc kavitro-shape RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${KAVITRO_SHARE_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kavitro
        PATTERN artwork-manifest.txt EXCLUDE
        PATTERN "*.tmp" EXCLUDE
        PATTERN fonts EXCLUDE
        PATTERN MarkAnchors.bin EXCLUDE
        PATTERN VPFinfo.bin EXCLUDE)
if(TARGET nastaliq_artwork)
  set(_artwork ${CMAKE_BINARY_DIR}/share/kavitro-nastaliq)
  install(DIRECTORY ${_artwork}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kavitro
          FILES_MATCHING PATTERN "*.ttf" PATTERN "MarkAnchors.bin" PATTERN "VPFinfo.bin" PATTERN "OFL.txt")
  install(DIRECTORY ${_artwork}/fonts/ DESTINATION ${CMAKE_INSTALL_DATADIR}/fonts/truetype/kavitro
          FILES_MATCHING PATTERN "*.ttf")
  install(FILES ${_artwork}/OFL.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/fonts/truetype/kavitro)
else()
  message(WARNING "KAVITRO_NASTALIQ_ARTWORK is OFF: the program in the build tree draws placeholder strokes "
                  "and `cmake --install` installs no glyph artwork.")
endif()

set(_linux ${CMAKE_SOURCE_DIR}/app/linux)
install(FILES ${_linux}/kavitro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_linux}/kavitro-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kavitro.xml)
install(FILES ${_linux}/kavitro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_linux}/application-x-kavitro-document.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
