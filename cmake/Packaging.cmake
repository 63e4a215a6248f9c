# The program folder's default configuration, the desktop entry and the Debian package.
#
# `cmake --install build --prefix DIR` lays out the program folder in DIR: the executable, the
# engine library and the update components install themselves; this file adds qvpz.pz, chrome.pz,
# log4me.ini, HISUPDATE/qvprm.ini and the kiosk session's script corvane-kiosk. `cpack -G DEB` in the build folder packages the same folder
# for CORVANE_PACKAGE_PREFIX (/opt/corvane), plus a desktop entry, the X session entry
# "Corvane kiosk" and an icon under /usr/share.

set(CORVANE_PACKAGE_PREFIX /opt/corvane CACHE PATH
    "Program folder that the Debian package installs")

set(packaging_src ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)

configure_file(${packaging_src}/defaults/qvpz.pz.in ${packaging_out}/qvpz.pz @ONLY)
configure_file(${packaging_src}/defaults/qvprm.ini.in ${packaging_out}/qvprm.ini @ONLY)
configure_file(${packaging_src}/corvane.desktop.in ${packaging_out}/corvane.desktop @ONLY)
configure_file(${packaging_src}/corvane-kiosk.desktop.in ${packaging_out}/corvane-kiosk.desktop @ONLY)
# The kiosk session's loop; CORVANE_HOME lets it run another program folder (a build's, say).
configure_file(${packaging_src}/corvane-kiosk.in ${packaging_out}/corvane-kiosk @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)
foreach(script postinst postrm)
    configure_file(${packaging_src}/${script}.in ${packaging_out}/deb/${script} @ONLY
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                         WORLD_READ WORLD_EXECUTE)
endforeach()
# Operators edit these; an upgrade keeps their edits. qvprm.ini is not among them: the program
# itself writes it (the taxpayer number), and the package brings the new version number.
file(WRITE ${packaging_out}/deb/conffiles
    "${CORVANE_PACKAGE_PREFIX}/qvpz.pz\n"
    "${CORVANE_PACKAGE_PREFIX}/chrome.pz\n"
    "${CORVANE_PACKAGE_PREFIX}/log4me.ini\n")

install(FILES ${packaging_out}/qvpz.pz ${packaging_src}/defaults/chrome.pz
              ${packaging_src}/defaults/log4me.ini
        DESTINATION .)
install(FILES ${packaging_out}/qvprm.ini DESTINATION HISUPDATE)
install(PROGRAMS ${packaging_out}/corvane-kiosk DESTINATION .)

# Outside the program folder: only the package installs these (a plain `cmake --install` leaves
# them out, so that laying out a program folder never writes to /usr).
install(FILES ${packaging_out}/corvane.desktop
        DESTINATION /usr/share/applications COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${packaging_out}/corvane-kiosk.desktop
        DESTINATION /usr/share/xsessions COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${packaging_src}/corvane.svg
        DESTINATION /usr/share/icons/hicolor/scalable/apps COMPONENT desktop EXCLUDE_FROM_ALL)
install(FILES ${packaging_src}/corvane.png
        DESTINATION /usr/share/icons/hicolor/256x256/apps COMPONENT desktop EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop shell for the provincial e-tax portal")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Corvane shows the provincial e-tax portal in an embedded Chromium browser (Qt WebEngine), "
    "carries out the portal pages' commands, reports logins to the portal's server, saves "
    "downloads and keeps daily logs. The program folder is ${CORVANE_PACKAGE_PREFIX}.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CORVANE_PACKAGE_PREFIX})
set(CPACK_PACKAGE_CONTACT "Corvane maintainers <maintainers@corvane.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the executable, the engine library and the update component link (Qt 6 Widgets,
# WebEngine and the rest) come from dpkg-shlibdeps; the engine's resources come with
# libqt6webenginecore6. Chinese text needs a CJK font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The kiosk session starts openbox when no window manager runs and turns blanking off with xset.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, openbox, x11-utils, x11-xserver-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${packaging_out}/deb/postinst ${packaging_out}/deb/postrm ${packaging_out}/deb/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# One package holding every install component: the program folder and the desktop entry. This
# file is included last, so every install rule of the project is known here.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)
include(CPack)
