# Linux desktop installation: the desktop files and the Debian package
# (`make package`, or `cpack -G DEB` in the build folder). The programs' own
# install rules are in the top-level CMakeLists.txt; `cmake --install` honours
# DESTDIR and CMAKE_INSTALL_PREFIX.

set(LUMIDEX_APP_ID org.lumidex.LumidexApp)

install(FILES data/${LUMIDEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${LUMIDEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/${LUMIDEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# A manual page for every program installed, compressed as Debian keeps them.
set(man_pages "")
foreach(program ${lumidex_programs})
    if(TARGET ${program})
        set(page "${CMAKE_BINARY_DIR}/man/${program}.1")
        add_custom_command(OUTPUT "${page}.gz"
            COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/docs/man/${program}.1" "${page}"
            COMMAND gzip -9nf "${page}"
            DEPENDS "${PROJECT_SOURCE_DIR}/docs/man/${program}.1"
            VERBATIM)
        list(APPEND man_pages "${page}.gz")
    endif()
endforeach()
add_custom_target(man-pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumidex-app)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Drive a serial four-digit seven-segment display module")
set(CPACK_PACKAGE_DESCRIPTION
    "A bench utility for a display module of four seven-segment digits on a\n\
serial port: text, numbers, segment patterns, decimal points, brightness,\n\
saved screens and the module's configuration, from one window.\n\
lumidex-send sends the same commands from a shell or a script,\n\
lumidex-monitor decodes the frames arriving on a serial line and\n\
lumidex-module is a virtual module to try them on.")
set(CPACK_PACKAGE_CONTACT "Lumidex App developers <devel@lumidex.invalid>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Library dependencies are read from the binaries by dpkg-shlibdeps. The
# window's typeface comes from fonts-wine where the system has no Tahoma.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
include(CPack)
