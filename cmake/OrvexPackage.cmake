# The install layout and the Debian packages (`cpack -G DEB`, scripts/package builds them):
#   orvex-cloud-config  the tool in /usr/lib/orvex-cloud-config/ (beside its Skin/, where it looks
#                       for it) with /usr/bin/orvex-cloud-config linking to it, orvex-studio when
#                       it is built, the reference page in /usr/share/orvex-cloud-config/web/, the
#                       desktop entry, icons and man pages;
#   orvex-lab           the lab (test peers and the demo world), apart so that a site need not
#                       install it.
# Included after every layer's directory, so that the program targets exist.
if(NOT ORVEX_WITH_QT OR ORVEX_SANITIZE OR ORVEX_FUZZ OR NOT TARGET orvex-cloud-config)
  return()  # the sanitizer and fuzz builds have no program to package
endif()

set(orvex_tool_dir lib/orvex-cloud-config)
set(orvex_package_files ${CMAKE_BINARY_DIR}/package-files)

# --- the tool: its executable and skin side by side, and the command beside the others.
install(TARGETS orvex-cloud-config RUNTIME DESTINATION ${orvex_tool_dir} COMPONENT tool)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Skin/ DESTINATION ${orvex_tool_dir}/Skin COMPONENT tool)
# A relative link, so that it resolves in any root the package is unpacked into.
file(MAKE_DIRECTORY ${orvex_package_files})
file(CREATE_LINK ../${orvex_tool_dir}/orvex-cloud-config
     ${orvex_package_files}/orvex-cloud-config SYMBOLIC)
install(FILES ${orvex_package_files}/orvex-cloud-config DESTINATION bin COMPONENT tool)
if(TARGET orvex-studio)
  install(TARGETS orvex-studio RUNTIME DESTINATION bin COMPONENT tool)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/web/ DESTINATION share/orvex-cloud-config/web
        COMPONENT tool PATTERN README.md EXCLUDE)

# The menu entry starts a session through the site studio, which plays the studio link, serves
# the installed page and starts the tool with its command line. The tool alone cannot start
# without a studio's page address, so without orvex-studio the entry only names the tool's
# window and icon for the desktop and stays out of the menu.
if(TARGET orvex-studio)
  set(ORVEX_DESKTOP_EXEC "orvex-studio run")
  set(ORVEX_DESKTOP_TRY_EXEC "orvex-studio")
  set(ORVEX_DESKTOP_NO_DISPLAY "")
else()
  set(ORVEX_DESKTOP_EXEC "orvex-cloud-config")
  set(ORVEX_DESKTOP_TRY_EXEC "orvex-cloud-config")
  set(ORVEX_DESKTOP_NO_DISPLAY "NoDisplay=true")
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/orvex-cloud-config.desktop.in
               ${orvex_package_files}/orvex-cloud-config.desktop @ONLY)
install(FILES ${orvex_package_files}/orvex-cloud-config.desktop
        DESTINATION share/applications COMPONENT tool)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/orvex-cloud-config-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME orvex-cloud-config.png COMPONENT tool)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/orvex-cloud-config.svg
        DESTINATION share/icons/hicolor/scalable/apps COMPONENT tool)

# Man pages, compressed as Debian keeps them (gzip -n: no name or time stamp, reproducible).
set(orvex_man_pages)
foreach(page orvex-cloud-config orvex-lab)
  add_custom_command(OUTPUT ${orvex_package_files}/${page}.1.gz
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/${page}.1 > ${orvex_package_files}/${page}.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${page}.1 VERBATIM)
  list(APPEND orvex_man_pages ${orvex_package_files}/${page}.1.gz)
endforeach()
add_custom_target(orvex_man_pages ALL DEPENDS ${orvex_man_pages})
install(FILES ${orvex_package_files}/orvex-cloud-config.1.gz DESTINATION share/man/man1
        COMPONENT tool)

# --- the lab.
if(TARGET orvex-lab)
  install(TARGETS orvex-lab RUNTIME DESTINATION bin COMPONENT lab)
  install(FILES ${orvex_package_files}/orvex-lab.1.gz DESTINATION share/man/man1 COMPONENT lab)
endif()

# --- the packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex-cloud-config)
set(CPACK_PACKAGE_VENDOR "OrvexCloudConfig")
set(CPACK_PACKAGE_CONTACT "OrvexCloudConfig maintainers <maintainers@orvex.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool)
if(TARGET orvex-lab)
  list(APPEND CPACK_COMPONENTS_ALL lab)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Dependencies come from the shared libraries the programs link (dpkg-shlibdeps). What the
# program loads without linking it is named here: Chinese fonts for the page, and xdg-utils and
# xdg-user-dirs for opening pop-ups in the browser and finding the download folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME orvex-cloud-config)
set(CPACK_DEBIAN_TOOL_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils, xdg-user-dirs")
set(CPACK_DEBIAN_TOOL_DESCRIPTION "batch configuration of surveillance cameras
The batch camera-configuration tool of the surveillance studio: an H5 page in
Qt WebEngine inside a skinned window. It keeps the camera groups the studio
pushes, reads the cameras' configurations and writes one edited configuration
into many cameras, with a result for every camera and item.")
set(CPACK_DEBIAN_LAB_PACKAGE_NAME orvex-lab)
set(CPACK_DEBIAN_LAB_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_LAB_DESCRIPTION "test peers and demo world for orvex-cloud-config
Lab cameras (the device protocol and ONVIF), the studio, the statistics server
and the page server, for testing orvex-cloud-config and trying it without a
site. The world role serves the page installed by orvex-cloud-config.")
set(CPACK_DEBIAN_LAB_PACKAGE_RECOMMENDS orvex-cloud-config)
include(CPack)
