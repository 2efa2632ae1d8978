# The Debian package: cpack -G DEB in the build folder makes tonalyx_<version>_<arch>.deb from
# the install rules. Its library dependencies are computed by dpkg-shlibdeps from the programs
# themselves, so they follow whatever the build links (Qt 6, FFTW, zlib, libsndfile ...).
set(CPACK_PACKAGE_NAME tonalyx)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "acoustic analysis of recorded voice and speech")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(CPACK_PACKAGE_CONTACT "Tonalyx developers <tonalyx@velmora.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${TONALYX_HOMEPAGE})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plug-ins that Qt loads at run time are invisible to dpkg-shlibdeps. The X11 platform and the
# media back-ends come with libqt6gui6 and libqt6multimedia6, which the window links; the SVG icon
# engine and image reader that draw the icons come with libqt6svg6, which nothing links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# The Python module joins this package as a further install component when it is built:
# its install rules (python/CMakeLists.txt) go to lib/python3/dist-packages
# and are picked up here without a change, because every component goes into the one package.
include(CPack)
