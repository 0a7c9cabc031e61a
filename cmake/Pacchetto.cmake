# The Debian package (cpack -G DEB in a release build): its dependencies come
# from the libraries the installed programs link (dpkg-shlibdeps), and from the
# list below.

set(CPACK_PACKAGE_NAME brivano)
set(CPACK_PACKAGE_VENDOR KORALDI)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KORALDI <assistenza@koraldi.it>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "rubrica dei contatti commerciali con invio di posta")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries loaded on first use (src/primouso) are linked by no installed
# program, so dpkg-shlibdeps cannot see them: transfers (libcurl), TLS and
# digests (libssl3), messages (GMime, GObject), the keyring (libsecret) and
# the attached files' types (libmagic1).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcurl4, libssl3, libgmime-3.0-0, libglib2.0-0, libsecret-1-0, libmagic1")
# Qt's own texts in Italian, and a keyring to keep the sending password in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, gnome-keyring")
set(CPACK_PACKAGE_DESCRIPTION
    "Brivano tiene la rubrica dei contatti commerciali di una piccola azienda
(ragione sociale, tipo, città, CAP, indirizzo e-mail, sito, note), un
archivio per ogni anno di lavoro, e invia lo stesso breve messaggio di
testo, uno per destinatario, a ogni indirizzo scelto dalla rubrica,
tramite un server SMTP. L'interfaccia è in italiano.")

include(CPack)
