# Install rules and the Debian package (cmake --build <build> --target package).
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

# The licence and the history, where Debian keeps them for every package.
set(ZELPHOR_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${ZELPHOR_CHANGELOG}
                   COMMAND ${CMAKE_COMMAND} -E copy ${ZELPHOR_DATA_SOURCE}/debian/changelog
                           ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
                   COMMAND ${ZELPHOR_GZIP} -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
                   DEPENDS ${ZELPHOR_DATA_SOURCE}/debian/changelog
                   COMMENT "Compressing the changelog"
                   VERBATIM)
add_custom_target(zelphor_changelog ALL DEPENDS ${ZELPHOR_CHANGELOG})
install(FILES ${ZELPHOR_DATA_SOURCE}/debian/copyright ${ZELPHOR_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelphor)
set(CPACK_PACKAGE_VENDOR "The Zelphor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No web site and no mail address: none is made up.
set(CPACK_PACKAGE_CONTACT "The Zelphor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian wants the long description in lines shorter than 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Zelphor fills the screen with animated abstract drawings: shrinking black"
       "holes, waves of sine and tangent curves, spectral floods, exploding suns,"
       "a jagged maze, rainbows and meteorites, several at once on one black"
       "surface. Every step of an effect plays the next note of a chosen scale or"
       "tune on a built-in General MIDI synthesizer, so the music follows the pace"
       "of the drawing.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The libraries come from dpkg-shlibdeps; the synthesizer also needs a General MIDI sound font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm | sf3-soundfont-gm")

include(CPack)
