# The Debian package: `cpack` in a built build folder writes
# sonexa-vireo-mixer_<version>_<arch>.deb with everything `cmake --install` puts in place.
# Like `cmake --install`, packaging installs what is built and never builds the whole tree
# (tests and benchmarks included) first: scripts/package.sh builds, then packages.
include(GNUInstallDirs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonexa-vireo-mixer)
set(CPACK_PACKAGE_VENDOR "Brenmark")
set(CPACK_PACKAGE_VERSION ${VIREO_PACKAGE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Mixer panel for the Sonexa Vireo XG wavetable synthesizer")
# Lines of the long description stay within 80 columns (with the leading space dpkg adds).
set(CPACK_PACKAGE_DESCRIPTION "\
Every control of the mixer window becomes MIDI messages at once: XG, GS and
GM system-exclusive messages, the universal master volume and control changes
on all 16 channels, sent to the synthesizer behind an ALSA sequencer or JACK
MIDI port. It lives in the notification area, runs once per user and loads
and saves .mix settings files.")
set(CPACK_PACKAGE_CONTACT "Sonexa Vireo Mixer maintainers <vireo-mixer@brenmark.example>")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt, JACK and ALSA come from what the program links, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2, fluidsynth")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# No maintainer scripts: the dpkg triggers of shared-mime-info, desktop-file-utils and
# hicolor-icon-theme refresh their caches when files land in their folders.

include(CPack)
