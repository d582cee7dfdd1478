# Installation into the usual freedesktop places, and the Debian package built by CPack.
#   cmake --install <build> [--prefix <dir>]
#   cd <build> && cpack -G DEB
include(GNUInstallDirs)

# AppStream wants a reverse-DNS component id. It is the home page's host reversed, and it must
# not change once a release has shipped: software centres follow the program by it. The desktop
# file keeps the short name "velda" because that is what the program gives Qt as its desktop
# file name; the metainfo points at it through its <launchable>.
set(VELDA_APP_ID "org.example.velda")

install(TARGETS velda RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/velda.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The type of the pieces (*.qv), so that file managers offer the program for them. Debian's
# shared-mime-info trigger rebuilds the database when the package installs.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/velda-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME velda.xml)

# Where bash-completion looks for a command's completion when it is first completed.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/completions/velda.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME velda)
# Where Debian's zsh and fish look for the completions that packages bring.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/completions/_velda
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/completions/velda.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velda.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN ITEMS 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velda-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME velda.png)
endforeach()

# The home page comes from the same cache entry as the help menu's link (ui/CMakeLists.txt).
if(NOT DEFINED VELDA_HOME_PAGE_URL)
    message(FATAL_ERROR "VELDA_HOME_PAGE_URL is not set; it is defined in ui/CMakeLists.txt")
endif()
string(REPLACE "&" "&amp;" VELDA_HOME_PAGE_URL_XML "${VELDA_HOME_PAGE_URL}")
string(REPLACE "<" "&lt;" VELDA_HOME_PAGE_URL_XML "${VELDA_HOME_PAGE_URL_XML}")
# The source repository's web address: the metainfo links to it, and takes the screenshot that
# software centres show from it (<address>/raw/v<version>/docs/screenshots/split-en.png, then
# split.png in Chinese).
set(VELDA_SOURCE_URL "https://velda.example.org/source" CACHE STRING "Web address of the source repository")
string(REPLACE "&" "&amp;" VELDA_SOURCE_URL_XML "${VELDA_SOURCE_URL}")
string(REPLACE "<" "&lt;" VELDA_SOURCE_URL_XML "${VELDA_SOURCE_URL_XML}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/velda.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${VELDA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VELDA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian package. Library dependencies come from dpkg-shlibdeps (dpkg-dev, and `file` to find
# the executables). The dialog asks for a Chinese serif font; Qt would otherwise draw boxes, so
# one of the fonts that it names is a hard dependency.
set(VELDA_PACKAGE_MAINTAINER "Velda developers <velda@velda.example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# What Debian wants beside every package's files: the license in its machine-readable
# copyright file (the text of LICENSE, indented as a field) and the changelog, gzipped without
# a time stamp.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
list(SUBLIST license_lines 4 -1 license_lines) # the text after the title and the copyright line
set(VELDA_LICENSE_TEXT "")
foreach(line IN LISTS license_lines)
    if(line STREQUAL "")
        set(line ".")
    endif()
    string(APPEND VELDA_LICENSE_TEXT " ${line}\n")
endforeach()
string(STRIP "${VELDA_LICENSE_TEXT}" VELDA_LICENSE_TEXT)
set(VELDA_LICENSE_TEXT " ${VELDA_LICENSE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
find_program(VELDA_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${VELDA_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    VERBATIM)
add_custom_target(velda_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velda)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "岚舟")
set(CPACK_PACKAGE_CONTACT ${VELDA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_HOMEPAGE_URL ${VELDA_HOME_PAGE_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split files into pieces and join them back (岚舟文件分割机)")
set(CPACK_PACKAGE_DESCRIPTION
    "Velda cuts any file into consecutive pieces of a chosen size and joins such
pieces back into one file. A piece is a plain byte range of its source, with
no header, so pieces cut by other tools that cut without headers can be
joined as well. Files above 4 GB are ordinary input.

The program is a Qt window, with its user interface in Chinese on Chinese
desktops and in English on all others, and a command line: velda split and
velda join cut and join files in a terminal, without a window or a display.")
set(CPACK_STRIP_FILES ON)

# The package installs under /usr, CPack's default for DEB.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELDA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming | fonts-noto-cjk, qt6-translations-l10n")
# The help menu opens web pages through QDesktopServices, which hands them to xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)

# `cmake --build <build> --target package_source`: the source tree without build directories
# or Git data.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/\\.cache/" "/build[^/]*/")

include(CPack)
