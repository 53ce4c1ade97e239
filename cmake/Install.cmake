# What `cmake --install` and the .deb put in place: both programs, the desktop integration, the manual,
# man pages, bash completion, the sample workbook and the package documents.
include(GNUInstallDirs)

set(MOXTEL_APP_ID org.moxtel.Moxtel)

install(TARGETS moxtel-flow RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES samples/sample-day.xls DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtel)
install(FILES share/bash-completion/completions/moxtel-flow
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Man pages and the Debian changelog go in gzipped with -9n: no name or time stamp, so builds repeat.
# An optional third argument names the installed file.
function(moxtel_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(gz ${CMAKE_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${gz}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz
                     COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/${source} > ${gz}
                     DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source} VERBATIM)
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(gz_${target} ALL DEPENDS ${gz})
  set(installed ${name}.gz)
  if(ARGC GREATER 2)
    set(installed ${ARGV2})
  endif()
  install(FILES ${gz} DESTINATION ${destination} RENAME ${installed})
endfunction()

moxtel_install_gzipped(share/man/moxtel-flow.1 ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES share/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The version has no Debian revision, so the package is native and its changelog is changelog.gz.
moxtel_install_gzipped(share/debian/changelog ${CMAKE_INSTALL_DOCDIR})

if(MOXTEL_BUILD_GUI)
  install(TARGETS moxtel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  moxtel_install_gzipped(share/man/moxtel.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES share/${MOXTEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES share/metainfo/${MOXTEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY share/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  # The help window reads <prefix>/share/moxtel/help/index.html.
  install(DIRECTORY docs/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtel/help)
endif()
