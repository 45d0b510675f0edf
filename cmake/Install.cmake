# What `cmake --install` puts in place beside the two programs (whose rules are in their own
# folders), and the Debian package that CPack makes of it (scripts/package).

set(ZAMP_DATA ${PROJECT_SOURCE_DIR}/data)

install(FILES ${ZAMP_DATA}/zandoramp.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZAMP_DATA}/org.example.zandoramp.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The icon of the window and the tray, at the sizes menus and software centres ask for.
set(ZAMP_ICONS ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ZAMP_DATA}/icons/zandoramp.svg DESTINATION ${ZAMP_ICONS}/scalable/apps)
foreach(size 48 256)
    install(FILES ${ZAMP_DATA}/icons/zandoramp-${size}.png DESTINATION ${ZAMP_ICONS}/${size}x${size}/apps
            RENAME zandoramp.png)
endforeach()

# The player without a window, as a systemd user service that stays off until the user enables
# it.
configure_file(${ZAMP_DATA}/zandoramp.service.in ${PROJECT_BINARY_DIR}/data/zandoramp.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/zandoramp.service
        DESTINATION lib/systemd/user)

# Manual pages and the changelog are installed compressed, as Debian wants them; -n keeps the
# archives free of time stamps, so that two builds give the same package.
find_program(ZAMP_GZIP gzip REQUIRED)
set(compressed)
foreach(source man/zandoramp.1 man/chatroom.1 debian/changelog)
    get_filename_component(name ${source} NAME)
    set(output ${PROJECT_BINARY_DIR}/data/${name}.gz)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/data
                       COMMAND ${ZAMP_GZIP} -9n -c ${ZAMP_DATA}/${source} > ${output}
                       DEPENDS ${ZAMP_DATA}/${source}
                       VERBATIM)
    list(APPEND compressed ${output})
endforeach()
add_custom_target(zamp_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/data/zandoramp.1.gz ${PROJECT_BINARY_DIR}/data/chatroom.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZAMP_DATA}/debian/copyright ${PROJECT_BINARY_DIR}/data/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME zandoramp)
set(CPACK_PACKAGE_VENDOR "the zandoramp developers")
set(CPACK_PACKAGE_CONTACT "zandoramp maintainers <maintainers@users.noreply.c-seed-14e25710.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player driven from a chat room")
set(CPACK_PACKAGE_DESCRIPTION
    "zandoramp keeps a library of the media files (mp3, wma, asf and asx playlists)\n\
in a folder you pick and plays them. Drive it from its small window or by\n\
typing short commands into a chat room: it obeys only the lines said under\n\
your own screen name and answers in the room. Its own chat room, chatroom,\n\
comes with it and starts beside the player from the desktop's menu.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zandoramp.example/")
# The libraries the two programs link against decide the dependencies, with their versions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window is laid out for Arial's metrics; without a font of the same widths its labels run
# into each other and past the panel's edge. Liberation Sans is Debian's stand-in for Arial.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
