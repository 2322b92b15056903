# `cpack -G DEB` (or the `package` target) makes a Debian 12 package that
# installs everything under /usr. Library dependencies come from
# dpkg-shlibdeps; what the program loads at run time without linking it is
# named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvane developers <orvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer for DirectX .x 3D models")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane shows a DirectX .x model turning in a panel, lit and shaded as\n"
    "Direct3D 8's fixed-function pipeline would draw it. Text, binary and\n"
    "compressed files are read. The user interface is Japanese. File managers\n"
    "recognise .x models by their content and show thumbnails of them.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Mesa's OpenGL drivers for the hardware device, the Japanese fonts the
# window asks for, Qt's own translations and libsquish, which decodes DDS
# textures. (Debian 12's libqt6gui6 carries the X11 platform plugin itself.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libgl1-mesa-dri, fonts-ipafont-gothic, fonts-rocknroll, qt6-translations-l10n, libsquish0")
# The desktop, MIME and icon caches are refreshed by the triggers of the
# packages that own them; nothing to run at install time.
include(CPack)
