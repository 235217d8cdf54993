# Installing Varnix as a desktop application (`make install`) and the Debian
# package (`make package`).
include(GNUInstallDirs)

# The manual page and the PNG icons are written by a small helper from the
# program's own option table and from the SVG icon, so neither is edited by
# hand. Everything lands in the build tree in the layout it is installed in,
# which lets the program in the build folder find its icon the same way.
add_executable(varnix_assettool ${CMAKE_SOURCE_DIR}/packaging/assettool.cpp)
target_link_libraries(varnix_assettool PRIVATE varnix_engine Qt5::Svg)

set(VARNIX_ICON_SVG ${CMAKE_SOURCE_DIR}/packaging/varnix.svg)
set(VARNIX_ICON_DIR ${CMAKE_BINARY_DIR}/share/icons/hicolor)
set(VARNIX_MANUAL ${CMAKE_BINARY_DIR}/share/man/man1/varnix.1)
set(VARNIX_ICON_SIZES 48 128 256)

add_custom_command(OUTPUT ${VARNIX_MANUAL} ${VARNIX_MANUAL}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
  COMMAND varnix_assettool manual ${VARNIX_MANUAL}
  # Debian wants manual pages compressed; -n keeps the package reproducible.
  COMMAND gzip -9nf -k ${VARNIX_MANUAL}
  DEPENDS varnix_assettool
  COMMENT "Writing the manual page"
  VERBATIM)
set(VARNIX_ASSETS ${VARNIX_MANUAL} ${VARNIX_MANUAL}.gz ${VARNIX_ICON_DIR}/scalable/apps/varnix.svg)

add_custom_command(OUTPUT ${VARNIX_ICON_DIR}/scalable/apps/varnix.svg
  COMMAND ${CMAKE_COMMAND} -E copy ${VARNIX_ICON_SVG} ${VARNIX_ICON_DIR}/scalable/apps/varnix.svg
  DEPENDS ${VARNIX_ICON_SVG}
  VERBATIM)
foreach(size ${VARNIX_ICON_SIZES})
  set(dir ${VARNIX_ICON_DIR}/${size}x${size}/apps)
  add_custom_command(OUTPUT ${dir}/varnix.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND varnix_assettool icon ${VARNIX_ICON_SVG} ${size} ${dir}/varnix.png
    DEPENDS varnix_assettool ${VARNIX_ICON_SVG}
    COMMENT "Rendering the ${size} pixel icon"
    VERBATIM)
  list(APPEND VARNIX_ASSETS ${dir}/varnix.png)
endforeach()
add_custom_target(varnix_assets ALL DEPENDS ${VARNIX_ASSETS})

# The test that compares the manual page with -help reads the generated page.
if(TARGET tst_manualpage)
  add_dependencies(tst_manualpage varnix_assets varnix)
  target_compile_definitions(tst_manualpage PRIVATE VARNIX_MANUAL_PAGE="${VARNIX_MANUAL}")
endif()

install(TARGETS varnix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/varnix.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/varnix.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${VARNIX_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${VARNIX_ICON_SIZES})
  install(FILES ${VARNIX_ICON_DIR}/${size}x${size}/apps/varnix.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${VARNIX_MANUAL}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/varnix/examples)

# The Debian package. dpkg-shlibdeps works out the library dependencies from
# the program itself. No maintainer scripts: the desktop, MIME and icon caches
# are refreshed by the file triggers that desktop-file-utils, shared-mime-info
# and the icon cache tool hold on the folders these files go to.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnix)
set(CPACK_PACKAGE_VENDOR "Varnix Software")
set(CPACK_PACKAGE_CONTACT "Varnix Software <support@varnix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "clean, reshape, merge and analyse tabular data without programming")
set(CPACK_PACKAGE_DESCRIPTION "Varnix processes tables through a graph of Input, Transform, Output and
Chart items: it reads CSV, text, fixed-width, Excel, JSON, XML and vCard
files, joins, dedupes, pivots, filters, calculates and sorts them, and writes
the result in many formats. Graphs are saved as .transform documents and also
run from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as a plugin, so invisible to dpkg-shlibdeps: it draws the SVG icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5svg5")
# Without these the program still runs, but the menu entry, the file type and
# the icon are not picked up until the caches are rebuilt.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info, hicolor-icon-theme")
include(CPack)
