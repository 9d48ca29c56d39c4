# Install rules and the Debian package.
#
# Layout under the prefix (by default ~/.local, no root needed):
#   bin/Tarsel, bin/tarsel-finder         the application and the file-manager host
#   lib/tarsel/TarselFinderExtension.so   the plug-in, which the host finds from bin/
#   lib/tarsel/qt-plugins/wayland-shell-integration/   the host's layer-shell integration for Qt
#   lib/tarsel/TarselPdfPages.so          PDF reading, opened on first use from bin/ and the plug-in
#   libexec/tarsel/tarsel-clipboard       the clipboard holder, which the programs find from bin/
#   share/applications, share/metainfo, share/icons/hicolor   the desktop entry, AppStream, icons
#   share/tarsel/file-managers/           the file managers' action snippets
#   share/doc/tarsel/                     copyright and notices
# `cmake --install build` lists what it wrote in build/install_manifest.txt; `make install` keeps
# a copy of it, which `make uninstall` reads.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix" FORCE)
endif()

set(TARSEL_SHARE ${CMAKE_SOURCE_DIR}/share)

install(TARGETS Tarsel tarsel-finder RUNTIME DESTINATION bin)
install(TARGETS tarsel-clipboard RUNTIME DESTINATION libexec/tarsel)
install(TARGETS TarselFinderExtension TarselPdfPages LIBRARY DESTINATION lib/tarsel)
if(TARGET tarsel-layer-shell)
    install(TARGETS tarsel-layer-shell LIBRARY DESTINATION lib/tarsel/qt-plugins/wayland-shell-integration)
endif()

configure_file(${TARSEL_SHARE}/metainfo/com.valden.tarsel.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/share/metainfo/com.valden.tarsel.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/com.valden.tarsel.metainfo.xml DESTINATION share/metainfo)
# The desktop entry starts the programs by their absolute path: ~/.local/bin is on a session's
# PATH only when it existed at login. The prefix is the one of the install step itself
# (cmake --install --prefix, or /usr when the package is made), so it is filled in then, in a
# folder of each destination's own, so that installs into several prefixes at once never mix.
install(CODE "
    set(TARSEL_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
    string(MD5 _tarsel_staging \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(_tarsel_staging \"${CMAKE_BINARY_DIR}/install-staging/\${_tarsel_staging}\")
    configure_file(\"${TARSEL_SHARE}/applications/com.valden.tarsel.desktop.in\"
                   \"\${_tarsel_staging}/com.valden.tarsel.desktop\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/applications\" TYPE FILE
         FILES \"\${_tarsel_staging}/com.valden.tarsel.desktop\")
")
install(DIRECTORY ${TARSEL_SHARE}/icons/hicolor DESTINATION share/icons)
# The snippets are kept in share/file-managers (or share/tarsel/file-managers, laid out as installed).
set(TARSEL_SNIPPETS ${TARSEL_SHARE}/file-managers)
if(EXISTS ${TARSEL_SHARE}/tarsel/file-managers)
    set(TARSEL_SNIPPETS ${TARSEL_SHARE}/tarsel/file-managers)
endif()
install(DIRECTORY ${TARSEL_SNIPPETS}/ DESTINATION share/tarsel/file-managers USE_SOURCE_PERMISSIONS)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_SOURCE_DIR}/resources/NOTICE.md
        DESTINATION share/doc/tarsel)
# The package's change log, which Debian asks of every package (a native one: changelog.gz).
# Only the package installs it: its component is left out unless named.
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/packaging/changelog)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/tarsel
        COMPONENT debian EXCLUDE_FROM_ALL)

# make deb: one Debian package that installs into /usr; its library dependencies are read from
# the programs (dpkg-shlibdeps). The programs also run zip (compression with a password) and
# need Qt's platform plug-ins (X11, offscreen) and its GTK platform theme (the desktop's light or
# dark palette and dialogs), which no program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarsel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarsel")
set(CPACK_PACKAGE_CONTACT "Tarsel maintainers <maintainers@users.noreply.c-seed-644b0a7e.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "your own context menu in the file manager")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries the programs open on first use (platform/LateLibrary.h) are named here: no
# program records them as needed.
get_property(_tarsel_late_packages GLOBAL PROPERTY TARSEL_LATE_PACKAGES)
list(REMOVE_DUPLICATES _tarsel_late_packages)
list(JOIN _tarsel_late_packages ", " _tarsel_late_depends)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "zip, qt6-qpa-plugins, qt6-gtk-platformtheme")
if(_tarsel_late_depends)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${_tarsel_late_depends}")
endif()
# Every component (the programs and the package's change log) in one package.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)
include(CPack)
