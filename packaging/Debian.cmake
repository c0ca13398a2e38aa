# The Debian package, made by scripts/package.sh with cpack -G DEB on a build
# configured for the prefix /usr. The runtime libraries are found by
# dpkg-shlibdeps; what the program needs besides them is data it looks up at
# run time: a General MIDI soundfont, the fonts its windows name, and Qt's own
# Chinese texts for the file dialog.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "${CORVANE_COMPANY_NAME}")
set(CPACK_DEBIAN_PACKAGE_VERSION "${CORVANE_VERSION_NUMERIC}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_COMPANY_NAME} <packages@corvane.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvane.example.org/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "small media player with a Simplified-Chinese interface
Corvane plays one file at a time: video (.avi), audio (.wav), Windows media
(.wmv, .wma, .asf and their playlists), MPEG movies and .mp3, MIDI music and
Flash animations. A media kind is picked with a button or a menu item, a file
is chosen in a dialog, and it plays at once; a slider follows the position and
seven buttons rewind, play, pause, step, skip and stop.
.
Video and audio play through libmpv, MIDI through FluidSynth, and Flash
animations through the Ruffle emulator in a web view that reaches no network.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "timgm6mb-soundfont | sf2-soundfont-gm, fonts-arphic-gbsn00lp, fonts-comic-neue, fonts-liberation, fonts-liberation2, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
