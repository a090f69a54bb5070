# Installation: `cmake --install` and the Debian package (CPack).
#
# Everything the programs find beside themselves goes into one program
# folder, <prefix>/lib/pictarro. <prefix>/bin holds relative links into it,
# so an installed tree works wherever it is unpacked (a DESTDIR staging
# folder, a tarball, /opt). Desktop entries, icons, AppStream metadata, man
# pages and the copyright file go under <prefix>/share.
set(PICTARRO_APP_ID com.tarnwellsoftware.Pictarro)
set(PICTARRO_PROGRAM_DIR lib/pictarro)
set(PICTARRO_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PICTARRO_STAGE ${CMAKE_BINARY_DIR}/install-stage)

find_package(Qt6 6.4 REQUIRED COMPONENTS Svg)

# The programs and libraries find each other in their own folder.
set_target_properties(Pictarro Vantler ContactTarnwellSoftware bmp2jpeg PictarroPicBox VantlerWindow
  PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS Pictarro Vantler ContactTarnwellSoftware
  RUNTIME DESTINATION ${PICTARRO_PROGRAM_DIR})
install(TARGETS bmp2jpeg PictarroPicBox VantlerWindow
  LIBRARY DESTINATION ${PICTARRO_PROGRAM_DIR}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(DIRECTORY ${PICTARRO_BIN_DIR}/Sounds DESTINATION ${PICTARRO_PROGRAM_DIR})
install(FILES "${PICTARRO_BIN_DIR}/License Agreement.rtf" DESTINATION ${PICTARRO_PROGRAM_DIR})
# The mark of an installed program folder (platform/ProgramInfo: isInstalled).
# It is never in build/bin, so a build folder and copies of it stay portable
# and keep their captures beside themselves; an installed Pictarro, run by
# whoever, keeps them in the user's pictures folder and writes nothing here.
# A mark, not a comparison with the prefix: the tree is relocatable (DESTDIR,
# --prefix at install time, the package's /usr, a tarball unpacked in /opt).
file(CONFIGURE OUTPUT ${PICTARRO_STAGE}/installed @ONLY CONTENT
"Pictarro was installed into this folder. It keeps its captures in each
user's pictures folder (\"Captured Screens\"), never here.
")
install(FILES ${PICTARRO_STAGE}/installed DESTINATION ${PICTARRO_PROGRAM_DIR}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The commands: relative links, made here and installed as links.
file(MAKE_DIRECTORY ${PICTARRO_STAGE}/bin)
file(CREATE_LINK ../${PICTARRO_PROGRAM_DIR}/Pictarro ${PICTARRO_STAGE}/bin/pictarro SYMBOLIC)
file(CREATE_LINK ../${PICTARRO_PROGRAM_DIR}/Vantler ${PICTARRO_STAGE}/bin/vantler SYMBOLIC)
install(FILES ${PICTARRO_STAGE}/bin/pictarro ${PICTARRO_STAGE}/bin/vantler DESTINATION bin)

# Menu entries and software-centre metadata.
install(FILES
  ${PROJECT_SOURCE_DIR}/data/desktop/${PICTARRO_APP_ID}.desktop
  ${PROJECT_SOURCE_DIR}/data/desktop/${PICTARRO_APP_ID}.Vantler.desktop
  DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/${PICTARRO_APP_ID}.metainfo.xml
  DESTINATION share/metainfo)

# Icons: the SVG pictures as they are, and PNG sizes rendered from them by a
# small tool of our own at build time.
add_executable(render_icon ${PROJECT_SOURCE_DIR}/data/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)
set_target_properties(render_icon PROPERTIES AUTOMOC OFF
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set(PICTARRO_ICON_OUTPUTS "")
foreach(icon "Pictarro|${PROJECT_SOURCE_DIR}/pictarro/art/pictarro.svg|${PICTARRO_APP_ID}"
             "Vantler|${PROJECT_SOURCE_DIR}/converter/art/vantler.svg|${PICTARRO_APP_ID}.Vantler")
  string(REPLACE "|" ";" icon "${icon}")
  list(GET icon 0 program)
  list(GET icon 1 svg)
  list(GET icon 2 name)
  set(outputs "")
  foreach(size ${PICTARRO_ICON_SIZES})
    list(APPEND outputs ${PICTARRO_STAGE}/icons/${size}x${size}/apps/${name}.png)
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:render_icon> ${svg} ${PICTARRO_STAGE}/icons ${name} ${PICTARRO_ICON_SIZES}
    DEPENDS render_icon ${svg}
    COMMENT "Rendering the ${program} icon"
    VERBATIM)
  list(APPEND PICTARRO_ICON_OUTPUTS ${outputs})
  install(FILES ${svg} DESTINATION share/icons/hicolor/scalable/apps RENAME ${name}.svg)
endforeach()

# Man pages and the changelog, compressed as Debian expects; the copyright
# file made from the licence agreement.
set(PICTARRO_DOC_OUTPUTS
  ${PICTARRO_STAGE}/man/pictarro.1.gz ${PICTARRO_STAGE}/man/vantler.1.gz
  ${PICTARRO_STAGE}/doc/changelog.gz ${PICTARRO_STAGE}/doc/copyright)
add_custom_command(OUTPUT ${PICTARRO_DOC_OUTPUTS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PICTARRO_STAGE}/man ${PICTARRO_STAGE}/doc
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/data/man/pictarro.1
          -DOUTPUT=${PICTARRO_STAGE}/man/pictarro.1.gz -P ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/data/man/vantler.1
          -DOUTPUT=${PICTARRO_STAGE}/man/vantler.1.gz -P ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/data/changelog
          -DOUTPUT=${PICTARRO_STAGE}/doc/changelog.gz -P ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
  COMMAND ${CMAKE_COMMAND} "-DRTF=${PROJECT_SOURCE_DIR}/data/License Agreement.rtf"
          -DOUTPUT=${PICTARRO_STAGE}/doc/copyright -P ${PROJECT_SOURCE_DIR}/cmake/RtfToCopyright.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/data/man/pictarro.1 ${PROJECT_SOURCE_DIR}/data/man/vantler.1
          ${PROJECT_SOURCE_DIR}/data/changelog "${PROJECT_SOURCE_DIR}/data/License Agreement.rtf"
          ${PROJECT_SOURCE_DIR}/cmake/RtfToCopyright.cmake ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
  COMMENT "Compressing the man pages and the changelog; writing the copyright file"
  VERBATIM)
add_custom_target(pictarro_install_data ALL DEPENDS ${PICTARRO_ICON_OUTPUTS} ${PICTARRO_DOC_OUTPUTS})

install(DIRECTORY ${PICTARRO_STAGE}/icons/ DESTINATION share/icons/hicolor)
install(FILES ${PICTARRO_STAGE}/man/pictarro.1.gz ${PICTARRO_STAGE}/man/vantler.1.gz
  DESTINATION share/man/man1)
install(FILES ${PICTARRO_STAGE}/doc/changelog.gz ${PICTARRO_STAGE}/doc/copyright
  DESTINATION share/doc/pictarro)

# The Debian package: `cmake --build build --target package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictarro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarnwell Software")
set(CPACK_PACKAGE_CONTACT "Tarnwell Software <support@tarnwell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screenshot keeper that saves clipboard pictures as files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.freewareshelf.example/programs/pictarro.html")
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Pictarro sits behind its icon in the notification area and watches the
clipboard. Every picture that lands there without text beside it (the
PrintScreen key, a screenshot tool's copy) is saved as a numbered bitmap,
JPEG or PNG file in the capture folder, and the clipboard is emptied.
.
A folder manager previews, deletes and opens the captures and makes one the
desktop background. Vantler, included, converts bitmap files to JPEG files
in a window or on the command line.")
# Dependencies from the binaries, plus what is loaded at run time: the SVG
# plugins for the artwork and icons. (CPack adds ldconfig calls to the
# maintainer scripts because the private libraries lie below usr/lib; they
# are harmless.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PICTARRO_BIN_DIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6 (>= 6.4)")
# Qt's Wayland platform, for a Pictarro that runs natively on Wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, xdg-user-dirs, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
