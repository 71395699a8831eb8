# What an installed lucky draw consists of, and the Debian package made of it (scripts/package.sh).
# Only the program, the tool and read-only artwork are installed: events live in folders of the user's.
include(GNUInstallDirs)

install(TARGETS luckydraw eventdb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The generated built-in system/ pictures; an event's own system/ folder overrides them file by file.
set(installed_system_files ${LUCKYDRAW_APP_DIR}/system/logo.jpg)
foreach(n RANGE 14)
  list(APPEND installed_system_files ${LUCKYDRAW_APP_DIR}/system/${n}.gif)
endforeach()
install(FILES ${installed_system_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/luckydraw/system)

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/luckydraw.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${LUCKYDRAW_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
# What software centres show of it.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/org.example.luckydraw.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual pages, compressed as Debian wants them.
set(man_pages)
foreach(program luckydraw eventdb)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/${program}.1 ${CMAKE_BINARY_DIR}/packaging/${program}.1 COPYONLY)
  set(page ${CMAKE_BINARY_DIR}/packaging/${program}.1.gz)
  add_custom_command(
    OUTPUT ${page}
    COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/packaging/${program}.1
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/${program}.1
    VERBATIM)
  list(APPEND man_pages ${page})
endforeach()
add_custom_target(packaging_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian wants the copyright and a compressed changelog beside every package.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/luckydraw)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(packaging_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME luckydraw)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Lucky Draw developers <luckydraw@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lucky draw for company events")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "The operator enters the participants with their photos, the prize plan and\n"
  "the event information; during the event the draws run in a window shaped\n"
  "like a handset, winners are picked at random, recorded in an encrypted event\n"
  "database and celebrated with fireworks when a prize level is complete.\n"
  "Each event is a folder of the organiser's choosing.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies come from the binaries; what the program loads at run time without linking it (the
# display plugin) and the Chinese font its windows are drawn with are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
include(CPack)
