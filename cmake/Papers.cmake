# What a Linux desktop program ships beside itself: the manual pages, the
# AppStream data software centres read, the file manager's context menu, and
# the Debian package's copyright and changelog. Version and date are filled
# in here, so they follow the project version; manual pages and changelog
# are compressed as Debian wants them (gzip -9n: no name or time inside, so
# two builds give the same bytes).

# The day of this version; the changelog's date and the AppStream release.
set(VALBRIX_RELEASE_DAY 2026-12-08)
set(VALBRIX_VERSION_TEXT ${PROJECT_VERSION})
set(VALBRIX_METAINFO_ID example.valbrix.Valbrix)
set(papers ${CMAKE_BINARY_DIR}/papers)
execute_process(COMMAND date -u -R -d "${VALBRIX_RELEASE_DAY} 12:00:00"
  OUTPUT_VARIABLE VALBRIX_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(compressed "")
function(valbrix_compressed template name)
  configure_file(${template} ${papers}/${name} @ONLY)
  add_custom_command(OUTPUT ${papers}/${name}.gz
    COMMAND gzip -9n -c ${papers}/${name} > ${papers}/${name}.gz
    DEPENDS ${papers}/${name} VERBATIM)
  set(compressed ${compressed} ${papers}/${name}.gz PARENT_SCOPE)
endfunction()

valbrix_compressed(${CMAKE_SOURCE_DIR}/resources/man/valbrix-cli.1 valbrix-cli.1)
valbrix_compressed(${CMAKE_SOURCE_DIR}/resources/package/changelog.in changelog)
install(FILES ${papers}/valbrix-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/valbrix)
configure_file(${CMAKE_SOURCE_DIR}/resources/package/copyright.in ${papers}/copyright @ONLY)
install(FILES ${papers}/changelog.gz ${papers}/copyright DESTINATION ${doc_dir})

if(TARGET valbrix)
  valbrix_compressed(${CMAKE_SOURCE_DIR}/resources/man/valbrix.1 valbrix.1)
  install(FILES ${papers}/valbrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  configure_file(${CMAKE_SOURCE_DIR}/resources/package/metainfo.xml.in
    ${papers}/${VALBRIX_METAINFO_ID}.metainfo.xml @ONLY)
  install(FILES ${papers}/${VALBRIX_METAINFO_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # KIO runs a service menu's actions only from a file marked executable;
  # lintian expects only programs to be, hence its override.
  install(FILES ${CMAKE_SOURCE_DIR}/resources/valbrix-servicemenu.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
    PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/package/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME valbrix)
endif()
add_custom_target(valbrix_papers ALL DEPENDS ${compressed})
