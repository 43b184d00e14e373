# The Debian package of the native player (make deb):
# build/halvane_<version>_<arch>.deb with /usr/bin/halvane, its data under
# /usr/share/halvane and a menu entry. The player's are the tree's only
# install rules; installing does not build the whole tree first, so
# `make deb` builds just the player and the content before packing.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvane)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "Varnek")
set(CPACK_PACKAGE_CONTACT "Varnek <varnek@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show of music and OpenGL scenes")
set(CPACK_PACKAGE_DESCRIPTION "Halvane plays one piece of music and, in step with it, three minutes of\nOpenGL scenes with captions that build up word by word. A setup dialog asks\nfor 16:9 or 4:3 and fullscreen or windowed.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY halvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links (SDL2, GTK 3, DevIL, GL, GLU) from
# dpkg-shlibdeps; the software GL driver for machines without a GPU one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Shipped stripped, as Debian ships programs.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
