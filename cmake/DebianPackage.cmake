# `cpack -G DEB` in the build folder makes fotoloom_<version>_<arch>.deb from what
# `cmake --install` puts in place, under /usr.
set(CPACK_PACKAGE_NAME fotoloom)
set(CPACK_PACKAGE_VENDOR Fotoloom)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Foto's verkleinen voor e-mail en het web")
set(CPACK_PACKAGE_DESCRIPTION
    "Fotoloom maakt van een reeks foto's verkleinde JPEG-kopieen voor e-mail en het web,\n\
desgewenst met een logo, een regel tekst en nieuwe namen, en kan ze daarna draaien,\n\
bewerken, hernoemen, mailen of uploaden. Met het opdrachtregelprogramma fotoloom-convert.")
set(CPACK_PACKAGE_CONTACT "Fotoloom <fotoloom@fotoloom.nl>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://fotoloom.nl/)
# The shared libraries come from dpkg-shlibdeps; what is loaded at run time without being
# linked is named here: Qt's platform plugins (the window), xdg-utils (mail program, opening
# folders).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")
# Qt's own dialogs in Dutch; a sans-serif font for the text on photos.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_GENERATOR DEB)
include(CPack)
