# Installing and packaging: the program and the CLI, the desktop entry, the
# program icon in the icon theme's sizes, and Qt's German texts beside the
# program, so an installed Valbrix speaks German without Qt's translation
# package; the papers (manual pages, AppStream data, copyright) come from
# Papers.cmake. CPack builds a Debian package from the same rules.
include(GNUInstallDirs)

set(VALBRIX_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VALBRIX_TRANSLATIONS_DIR ${CMAKE_INSTALL_DATADIR}/valbrix/translations)

install(TARGETS valbrix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET valbrix)
  install(TARGETS valbrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/valbrix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size ${VALBRIX_ICON_SIZES})
    install(FILES ${CMAKE_SOURCE_DIR}/resources/appicon/valbrix-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME valbrix.png)
  endforeach()

  # The program looks for its translations relative to itself, so the
  # package works under any prefix.
  file(RELATIVE_PATH translations_from_bin /${CMAKE_INSTALL_BINDIR} /${VALBRIX_TRANSLATIONS_DIR})
  target_compile_definitions(valbrix PRIVATE VALBRIX_TRANSLATIONS_FROM_BIN="${translations_from_bin}")
  get_target_property(qmake Qt6::qmake IMPORTED_LOCATION)
  execute_process(COMMAND ${qmake} -query QT_INSTALL_TRANSLATIONS
    OUTPUT_VARIABLE qt_translations OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  find_file(VALBRIX_QTBASE_DE qtbase_de.qm HINTS ${qt_translations} /usr/share/qt6/translations NO_DEFAULT_PATH)
  if(VALBRIX_QTBASE_DE)
    install(FILES ${VALBRIX_QTBASE_DE} DESTINATION ${VALBRIX_TRANSLATIONS_DIR})
  else()
    message(WARNING "qtbase_de.qm not found (Debian: qt6-translations-l10n); installing without Qt's German texts")
  endif()
endif()

# Maintainer and home page come from the one place that names them.
file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/Version.h.in address_lines REGEX "^#define VALBRIX_(MAIL|WEBSITE) ")
foreach(line ${address_lines})
  string(REGEX REPLACE "^#define (VALBRIX_[A-Z]+) \"(.*)\"$" "\\1;\\2" pair "${line}")
  list(GET pair 0 name)
  list(GET pair 1 value)
  set(${name}_ADDRESS ${value})
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/Papers.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valbrix)
set(CPACK_PACKAGE_VENDOR Valbrix)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZIP-Archive öffnen und auspacken")
# Lines under 80 characters, as dpkg shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Valbrix is a small desktop ZIP utility with a German user interface: it"
  "lists an archive's entries and extracts the ones you mark, also straight"
  "from the file manager („Hier entpacken“). valbrix-cli does the same from"
  "the command line.")
set(CPACK_PACKAGE_CONTACT "Valbrix <${VALBRIX_MAIL_ADDRESS}>")
set(CPACK_STRIP_FILES ON)
# Folders and control files as dpkg makes them (0755, 0644), whatever the
# umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VALBRIX_WEBSITE_ADDRESS})
# The Qt libraries and the C++ runtime, found from the binaries themselves;
# libcrypto (encrypted entries) and the codec libraries named as well, so the
# package says what it decrypts and decodes with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3, libbz2-1.0, liblzma5, libzstd1")
# The website and mail links are handed to the desktop through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
include(CPack)
