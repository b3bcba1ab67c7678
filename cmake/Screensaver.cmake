# The program as a screensaver: where XScreenSaver finds its savers and their settings, and
# where mate-screensaver and xfce4-screensaver find their themes. Included from the install
# rules, after the program's own.

set(ZELPHOR_SAVER_DIR libexec/xscreensaver
    CACHE STRING "Where XScreenSaver looks for savers, relative to the prefix")
if(IS_ABSOLUTE "${ZELPHOR_SAVER_DIR}")
    message(FATAL_ERROR "ZELPHOR_SAVER_DIR must be relative to the prefix, got ${ZELPHOR_SAVER_DIR}")
endif()
set(ZELPHOR_SAVER_PROGRAM ${CMAKE_INSTALL_PREFIX}/${ZELPHOR_SAVER_DIR}/zelphor)

# The saver is a link to the program, relative so that it survives a DESTDIR.
file(RELATIVE_PATH ZELPHOR_SAVER_LINK ${CMAKE_INSTALL_PREFIX}/${ZELPHOR_SAVER_DIR}
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zelphor)
set(ZELPHOR_SAVER_STAGE ${CMAKE_CURRENT_BINARY_DIR}/screensaver)
file(MAKE_DIRECTORY ${ZELPHOR_SAVER_STAGE})
file(CREATE_LINK ${ZELPHOR_SAVER_LINK} ${ZELPHOR_SAVER_STAGE}/zelphor SYMBOLIC)
install(FILES ${ZELPHOR_SAVER_STAGE}/zelphor DESTINATION ${ZELPHOR_SAVER_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/screensaver/zelphor.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

configure_file(${PROJECT_SOURCE_DIR}/data/screensaver/zelphor.desktop.in
               ${ZELPHOR_SAVER_STAGE}/zelphor.desktop @ONLY)
install(FILES ${ZELPHOR_SAVER_STAGE}/zelphor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)
