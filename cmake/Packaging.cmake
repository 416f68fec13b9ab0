# What `cmake --install` puts where (under CMAKE_INSTALL_PREFIX, /usr/local
# unless told otherwise) and the Debian package CPack makes of it.
include(GNUInstallDirs)

install(TARGETS quorbel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/quorbel.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The window icon, the one size there is.
install(FILES ${PROJECT_SOURCE_DIR}/assets/images/101_icon.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps
  RENAME quorbel.png)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The manual page, with the version filled in, compressed as Debian wants
# its manual pages (gzip -9n: no name or time stamp inside, so the same
# bytes every build).
configure_file(${PROJECT_SOURCE_DIR}/dist/quorbel.6
  ${PROJECT_BINARY_DIR}/dist/quorbel.6 @ONLY)
set(manual_gz ${PROJECT_BINARY_DIR}/dist/quorbel.6.gz)
add_custom_command(OUTPUT ${manual_gz}
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/dist/quorbel.6
  DEPENDS ${PROJECT_BINARY_DIR}/dist/quorbel.6
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(quorbel_manual ALL DEPENDS ${manual_gz})
install(FILES ${manual_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# cpack (make package): a .deb for Debian 12.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "quorbel developers <quorbel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo")
# The summary is the description's first line; CPack indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Eight scenes in 225 seconds: meshes, textures, sprites, a glow
post-process, a flash at every change of scene and a soundtrack, all
carried inside the executable. It draws with OpenGL 3.3 through SDL2,
on a GPU or on the CPU through Mesa's llvmpipe, and can render itself
offline to PNG frames or, with ffmpeg, to a video file.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorbel_1.0.0_amd64.deb
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the executable links come from dpkg-shlibdeps. OpenGL does
# not show among them: libepoxy and SDL open libGL and libEGL at run time.
# So the GL loaders are named here, with Mesa's drivers, whose llvmpipe
# renders on the CPU where no GPU driver is installed (and is what the
# offscreen driver for --render uses on such a machine).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libegl1, libgl1, libglx-mesa0 | libglx-vendor, libgl1-mesa-dri")
# --video runs the ffmpeg program when it is there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
include(CPack)
