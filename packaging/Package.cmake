# The Debian package: cpack -G DEB in the build folder makes tonalyx_<version>_<arch>.deb from
# the install rules. Its library dependencies are computed by dpkg-shlibdeps from the programs
# themselves, so they follow whatever the build links (Qt 6, zlib, libsndfile ...).
set(CPACK_PACKAGE_NAME tonalyx)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "acoustic analysis of recorded voice and speech")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(TONALYX_MAINTAINER "Tonalyx developers <tonalyx@velmora.org>"
    CACHE STRING "The Debian package's Maintainer: name and mail address")
set(CPACK_PACKAGE_CONTACT ${TONALYX_MAINTAINER})
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
if(TONALYX_WITH_UI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
    # Playback goes through a PulseAudio server.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
endif()
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# The Python module goes into this same package: its install rules (python/CMakeLists.txt) put
# the extension and the pure-Python package under lib/python3/dist-packages. dpkg-shlibdeps
# computes the extension's libraries; what Python imports at run time it cannot see, so the
# interpreter and numpy are named here, and Dask for the corpus runner is recommended.
if(TARGET _tonalyx)
    set(python_depends "python3 (>= 3.11), python3 (<< 3.12), python3-numpy")
    if(CPACK_DEBIAN_PACKAGE_DEPENDS)
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${python_depends}")
    else()
        set(CPACK_DEBIAN_PACKAGE_DEPENDS "${python_depends}")
    endif()
    if(CPACK_DEBIAN_PACKAGE_RECOMMENDS)
        string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", python3-distributed")
    else()
        set(CPACK_DEBIAN_PACKAGE_RECOMMENDS python3-distributed)
    endif()
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/prerm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()
include(CPack)
