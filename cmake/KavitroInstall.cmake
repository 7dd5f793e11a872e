# Installation: the program in bin/, its read-only data in share/kavitro/
# (found from the program as <bin>/../share/kavitro), the derived glyph
# artwork in share/kavitro-nastaliq/ when the build makes it, and the desktop
# entry, MIME types and icons where desktops look for them.
include(GNUInstallDirs)

install(TARGETS kavitro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${KAVITRO_SHARE_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kavitro
        PATTERN artwork-manifest.txt EXCLUDE
        PATTERN "*.tmp" EXCLUDE)
if(TARGET nastaliq_artwork)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/share/kavitro-nastaliq/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kavitro-nastaliq
          FILES_MATCHING PATTERN "*.ttf" PATTERN "MarkAnchors.bin" PATTERN "VPFinfo.bin" PATTERN "OFL.txt")
endif()

set(_linux ${CMAKE_SOURCE_DIR}/app/linux)
install(FILES ${_linux}/kavitro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_linux}/kavitro-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kavitro.xml)
install(FILES ${_linux}/kavitro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_linux}/application-x-kavitro-document.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
