# Install rules; the Debian package (debian/, scripts/build-deb.sh) installs through them.
#
# The installed program finds its pages at ${CMAKE_INSTALL_DATADIR}/zelphor relative to
# ${CMAKE_INSTALL_BINDIR}; both must stay relative paths for that to survive a move of
# the installed tree or a DESTDIR.

foreach(dir BINDIR DATADIR MANDIR DOCDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
        message(FATAL_ERROR "CMAKE_INSTALL_${dir} must be relative to the prefix, "
                            "got ${CMAKE_INSTALL_${dir}}")
    endif()
endforeach()

set(ZELPHOR_APP_ID org.zelphor.Zelphor)
set(ZELPHOR_DATA_SOURCE ${PROJECT_SOURCE_DIR}/data)

install(TARGETS zelphor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Whatever is in the pages folder at install time, so pages added later need no re-run of CMake.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/windows/pages/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zelphor
        PATTERN ".*" EXCLUDE
        PATTERN "*~" EXCLUDE)

install(FILES ${ZELPHOR_DATA_SOURCE}/${ZELPHOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZELPHOR_DATA_SOURCE}/${ZELPHOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ZELPHOR_DATA_SOURCE}/${ZELPHOR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ZELPHOR_DATA_SOURCE}/${ZELPHOR_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

# Manual pages go compressed; -n keeps the name and time out, so the result is reproducible.
find_program(ZELPHOR_GZIP gzip REQUIRED)
set(ZELPHOR_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/man/zelphor.6.gz)
add_custom_command(OUTPUT ${ZELPHOR_MAN_PAGE}
                   COMMAND ${CMAKE_COMMAND} -E copy ${ZELPHOR_DATA_SOURCE}/zelphor.6
                           ${CMAKE_CURRENT_BINARY_DIR}/man/zelphor.6
                   COMMAND ${ZELPHOR_GZIP} -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/man/zelphor.6
                   DEPENDS ${ZELPHOR_DATA_SOURCE}/zelphor.6
                   COMMENT "Compressing the manual page"
                   VERBATIM)
add_custom_target(zelphor_man_page ALL DEPENDS ${ZELPHOR_MAN_PAGE})
install(FILES ${ZELPHOR_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The licence and the history. The Debian package turns this off: there dh_installdocs and
# dh_installchangelogs put debian/copyright, the Debian changelog and CHANGELOG.md in place.
option(ZELPHOR_INSTALL_DOCS "Install the licence and the history to the doc folder" ON)
if(ZELPHOR_INSTALL_DOCS)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
