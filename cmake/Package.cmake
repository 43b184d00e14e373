# The Debian package of the native player (make deb):
# build/halvane_<version>_<arch>.deb with /usr/bin/halvane, its data
# under /usr/share/halvane, a menu entry with its icon in the hicolor theme,
# the manual page halvane(6), and the copyright file and changelog under
# /usr/share/doc/halvane. The player's are the tree's only install
# rules; installing does not build the whole tree first, so `make deb` builds
# just the player, the content and the packaging files before packing.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvane)
set(CPACK_PACKAGE_VERSION 1.0.0)
# A native package: the project makes it from its own tree, so the version
# has no Debian revision and its changelog (packaging/changelog, in Debian's
# format) is changelog.gz, not changelog.Debian.gz beside an upstream one.
set(CPACK_PACKAGE_VENDOR "Varnek")
set(CPACK_PACKAGE_CONTACT "Halvane project <maintainers@halvane.example.org>")
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
# Shipped stripped, as Debian ships programs (see the install step below).
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)

# The manual page and the changelog go in compressed, without a time stamp
# in the gzip header, so the same sources give the same package.
set(HALVANE_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(HALVANE_PACKAGE_FILES ${HALVANE_PACKAGE_DIR}/halvane.6.gz ${HALVANE_PACKAGE_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${HALVANE_PACKAGE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${HALVANE_PACKAGE_DIR}
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/packaging/halvane.6 ${HALVANE_PACKAGE_DIR}/halvane.6.gz
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/packaging/changelog
    ${HALVANE_PACKAGE_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/halvane.6 ${CMAKE_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the manual page and the changelog"
  VERBATIM)
add_custom_target(halvane_package_files ALL DEPENDS ${HALVANE_PACKAGE_FILES})

install(FILES ${HALVANE_PACKAGE_DIR}/halvane.6.gz DESTINATION share/man/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${HALVANE_PACKAGE_DIR}/changelog.gz
  DESTINATION share/doc/halvane)
# The content generator's icon, 48 to 256 pixels: the menu entry's Icon=halvane.
install(DIRECTORY ${CMAKE_BINARY_DIR}/resources/icons/ DESTINATION share/icons)
# A stripped install (CPack's) also drops the compiler's .comment and .note
# sections, which strip alone keeps: what Debian's own packaging removes.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/halvane\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
