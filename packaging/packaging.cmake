# Installation and packages.
#
# Everywhere: the program. On freedesktop systems (Linux and the BSDs) also the desktop entry,
# the icon in the hicolor theme and the AppStream metainfo, so that menus and software centres
# show the game. CPack then builds a Debian package from the same install rules.
include(GNUInstallDirs)

set(WIMBLY_APP_ID org.wimbly.Wimbly)
set(WIMBLY_HOMEPAGE "https://wimbly.example.org"
    CACHE STRING "Home page named in the package and the AppStream metainfo")
set(WIMBLY_SCREENSHOT_URL "${WIMBLY_HOMEPAGE}/docs/screenshot.png"
    CACHE STRING "Public address of docs/screenshot.png, named in the AppStream metainfo")
set(WIMBLY_MAINTAINER "Wimbly developers <developers@wimbly.example.org>"
    CACHE STRING "Maintainer named in the Debian package")

# Debian keeps games in /usr/games (and /usr/local/games), both on every user's PATH there;
# other systems keep them with the other programs.
if(EXISTS /etc/debian_version)
    set(wimbly_default_bindir games)
else()
    set(wimbly_default_bindir ${CMAKE_INSTALL_BINDIR})
endif()
set(WIMBLY_INSTALL_BINDIR ${wimbly_default_bindir}
    CACHE STRING "Folder under the install prefix for the wimbly program")

install(TARGETS wimbly
        RUNTIME DESTINATION ${WIMBLY_INSTALL_BINDIR}
        BUNDLE DESTINATION .)
# The sound library, which the program loads at run time (see res/sound/CMakeLists.txt).
install(TARGETS wimbly_sound LIBRARY DESTINATION ${WIMBLY_SOUND_DIR})
# The speech library beside it, loaded only when the names are said (res/speech/CMakeLists.txt).
install(TARGETS wimbly_speech LIBRARY DESTINATION ${WIMBLY_SOUND_DIR})

set(wimbly_license ${PROJECT_SOURCE_DIR}/LICENSE)

if(WIN32)
    # The program file carries its icon, rendered with the other pictures into icon.ico.
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wimbly.rc.in ${PROJECT_BINARY_DIR}/packaging/wimbly.rc
                   @ONLY)
    target_sources(wimbly PRIVATE ${PROJECT_BINARY_DIR}/packaging/wimbly.rc)
    set_source_files_properties(${PROJECT_BINARY_DIR}/packaging/wimbly.rc PROPERTIES
                                OBJECT_DEPENDS ${WIMBLY_GENERATED_DIR}/icon.ico)
endif()

if(UNIX AND NOT APPLE)
    set(wimbly_pkg_src ${CMAKE_CURRENT_LIST_DIR})
    set(wimbly_pkg_out ${PROJECT_BINARY_DIR}/packaging)

    # The desktop entry names the program by its full installed path, so menus start it even
    # where a session's PATH lacks the games folder. That path is only known when installing:
    # CPack installs under its own prefix (/usr), not the configured one.
    if(IS_ABSOLUTE ${WIMBLY_INSTALL_BINDIR})
        set(wimbly_exec ${WIMBLY_INSTALL_BINDIR}/wimbly)
    else()
        set(wimbly_exec "\${CMAKE_INSTALL_PREFIX}/${WIMBLY_INSTALL_BINDIR}/wimbly")
    endif()
    configure_file(${wimbly_pkg_src}/install-desktop-entry.cmake.in
                   ${wimbly_pkg_out}/install-desktop-entry.cmake @ONLY)
    install(SCRIPT ${wimbly_pkg_out}/install-desktop-entry.cmake)

    # A stripped install (as in the packages) also drops the compiler's version notes, which
    # only take room.
    if(CMAKE_OBJCOPY)
        set(wimbly_sound_file
            "\${CMAKE_INSTALL_PREFIX}/${WIMBLY_SOUND_DIR}/$<TARGET_FILE_NAME:wimbly_sound>")
        set(wimbly_speech_file
            "\${CMAKE_INSTALL_PREFIX}/${WIMBLY_SOUND_DIR}/$<TARGET_FILE_NAME:wimbly_speech>")
        foreach(wimbly_binary IN ITEMS "${wimbly_exec}" "${wimbly_sound_file}"
                                       "${wimbly_speech_file}")
            install(CODE "if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                        --remove-section=.note \"\$ENV{DESTDIR}${wimbly_binary}\"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()")
        endforeach()
    endif()

    # The same pictures the program carries inside itself, rendered from res/art/icon.svg.
    set(wimbly_hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    foreach(wimbly_size IN LISTS WIMBLY_ICON_SIZES)
        install(FILES ${WIMBLY_GENERATED_DIR}/icon-${wimbly_size}.png
                DESTINATION ${wimbly_hicolor}/${wimbly_size}x${wimbly_size}/apps
                RENAME ${WIMBLY_APP_ID}.png)
    endforeach()
    install(FILES ${WIMBLY_ART_DIR}/icon.svg DESTINATION ${wimbly_hicolor}/scalable/apps
            RENAME ${WIMBLY_APP_ID}.svg)

    configure_file(${wimbly_pkg_src}/${WIMBLY_APP_ID}.metainfo.xml.in
                   ${wimbly_pkg_out}/${WIMBLY_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${wimbly_pkg_out}/${WIMBLY_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The manual page, and the license and change log where Debian looks for them; the manual
    # and the change log compressed, as Debian ships them. gzip -n leaves the file's name and
    # time out of the header, so the result is the same whenever and wherever it is built
    # (file(ARCHIVE_CREATE) stamps the header with the current time).
    set(WIMBLY_DEB_RELEASE 1)
    configure_file(${wimbly_pkg_src}/wimbly.6.in ${wimbly_pkg_out}/wimbly.6 @ONLY)
    configure_file(${wimbly_pkg_src}/changelog.Debian.in ${wimbly_pkg_out}/changelog.Debian @ONLY)
    find_program(WIMBLY_GZIP gzip REQUIRED)
    foreach(wimbly_doc wimbly.6 changelog.Debian)
        execute_process(COMMAND ${WIMBLY_GZIP} -n -9 -c ${wimbly_pkg_out}/${wimbly_doc}
                        OUTPUT_FILE ${wimbly_pkg_out}/${wimbly_doc}.gz COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    install(FILES ${wimbly_pkg_out}/wimbly.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES ${wimbly_pkg_out}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/wimbly)
    install(FILES ${wimbly_license} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/wimbly
            RENAME copyright)
    # What Debian's package checker reports about the package and is meant so, with the
    # reasons.
    if(EXISTS /etc/debian_version)
        install(FILES ${wimbly_pkg_src}/lintian-overrides
                DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME wimbly)
    endif()
endif()

# Packages: `cpack` in the build folder makes a .deb on Debian and its derivatives, an archive
# elsewhere; `cpack -G <generator>` picks another.
set(CPACK_PACKAGE_NAME wimbly)
set(CPACK_PACKAGE_VENDOR "Wimbly developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "memory game for young children")
set(CPACK_PACKAGE_HOMEPAGE_URL ${WIMBLY_HOMEPAGE})
set(CPACK_PACKAGE_CONTACT ${WIMBLY_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${wimbly_license})
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
elseif(EXISTS /etc/debian_version)
    set(CPACK_GENERATOR DEB)
else()
    set(CPACK_GENERATOR TGZ)
endif()

if(UNIX AND NOT APPLE)
    find_program(WIMBLY_DPKG_SHLIBDEPS dpkg-shlibdeps)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_RELEASE ${WIMBLY_DEB_RELEASE})
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The long description, in lines that fit a terminal.
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
           "Each turn a parade of little animals appears, one after another, each\n"
           "with a short sound. Then the board with all 36 animals opens, and the\n"
           "child clicks them in the order they were shown. The parade grows as the\n"
           "child gets better, and a top-ten leaderboard keeps the best scores.\n"
           "The texts are in Simplified Chinese.")
    # The libraries come from dpkg-shlibdeps; the X11 window-system plugin comes with libqt6gui6.
    # What the program needs beyond them: the SQLite driver of Qt SQL, a plugin the history
    # loads when it opens, and a Chinese face its texts ask for. Noto's serif is the look the
    # texts are made for; either WenQuanYi face, smaller, shows them as well.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6sql6-sqlite (>= 6.4), fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
    # Qt's Wayland platform plugin: on a Wayland desktop the game then runs as a native client
    # rather than through Xwayland.
    list(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland (>= 6.4)")
    # The animals' names are said through Qt TextToSpeech's speech-dispatcher engine, and by the
    # speech service itself, which a family may already have with a voice of its choosing.
    list(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-speech-speechd-plugin (>= 6.4)")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "speech-dispatcher")
    list(JOIN CPACK_DEBIAN_PACKAGE_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
    if(WIMBLY_DPKG_SHLIBDEPS)
        set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    else()
        string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
               "libc6, libstdc++6, libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), "
               "libqt6widgets6 (>= 6.4), libqt6multimedia6 (>= 6.4), libqt6sql6 (>= 6.4), "
               "libqt6texttospeech6 (>= 6.4), ")
    endif()
endif()

include(CPack)
