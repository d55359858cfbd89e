# Bundle layout, installed with `cmake --install build/dev --prefix /`:
#   /Applications/Tavrinel.app/Contents/MacOS/Ventiq
#   /Applications/Tavrinel.app/Contents/Library/LaunchServices/com.quillmoor.ventiq.helper
#   /Applications/Tavrinel.app/Contents/Resources/ (scripts, unit templates, activator)
# and the simulated machine at /usr/local/bin/ventiq-smcsim.
#
# The Debian package (cmake/Package.cmake) holds the same bundle plus the
# component `system`, which a plain `cmake --install` leaves out: command-line
# programs in /usr/bin instead of /usr/local/bin, and the desktop entry,
# icons, AppStream metadata and polkit actions under /usr/share, which only
# belong on a machine where dpkg owns and removes them.

if(TARGET Ventiq)
  install(TARGETS Ventiq RUNTIME DESTINATION ${VENTIQ_BUNDLE}/MacOS)
endif()
# The command-line client sits beside the application it drives.
if(TARGET ventiqctl)
  install(TARGETS ventiqctl RUNTIME DESTINATION ${VENTIQ_BUNDLE}/MacOS)
endif()
if(TARGET com.quillmoor.ventiq.helper)
  install(TARGETS com.quillmoor.ventiq.helper RUNTIME DESTINATION ${VENTIQ_BUNDLE}/Library/LaunchServices)
endif()
install(PROGRAMS
    resources/install_helper.sh
    resources/uninstall_helper.sh
    resources/ventiq-activator
  DESTINATION ${VENTIQ_BUNDLE}/Resources)
# Sourced by the two scripts, never run.
install(FILES
    resources/helper_common.sh
  DESTINATION ${VENTIQ_BUNDLE}/Resources)
install(FILES
    resources/com.quillmoor.ventiq.helper.socket
    resources/com.quillmoor.ventiq.helper.service.in
  DESTINATION ${VENTIQ_BUNDLE}/Resources)

# Command-line programs that run outside the bundle: the simulated machine,
# and any further command-line tool is listed here the same way.
foreach(command IN ITEMS ventiq-smcsim)
  if(TARGET ${command})
    install(TARGETS ${command} RUNTIME DESTINATION usr/local/bin COMPONENT local)
    install(TARGETS ${command} RUNTIME DESTINATION usr/bin COMPONENT system EXCLUDE_FROM_ALL)
  endif()
endforeach()

set(resources_out ${PROJECT_BINARY_DIR}/resources)
install(FILES resources/desktop/com.quillmoor.ventiq.desktop
  DESTINATION usr/share/applications COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${resources_out}/com.quillmoor.ventiq.metainfo.xml
  DESTINATION usr/share/metainfo COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${resources_out}/com.quillmoor.ventiq.policy
  DESTINATION usr/share/polkit-1/actions COMPONENT system EXCLUDE_FROM_ALL)
install(FILES resources/desktop/com.quillmoor.ventiq.svg
  DESTINATION usr/share/icons/hicolor/scalable/apps COMPONENT system EXCLUDE_FROM_ALL)
foreach(size IN LISTS VENTIQ_ICON_SIZES)
  install(FILES ${VENTIQ_ICON_DIR}/${size}x${size}/apps/com.quillmoor.ventiq.png
    DESTINATION usr/share/icons/hicolor/${size}x${size}/apps COMPONENT system EXCLUDE_FROM_ALL)
endforeach()
install(FILES resources/debian/copyright ${resources_out}/debian/changelog.gz
  DESTINATION usr/share/doc/${VENTIQ_PACKAGE_NAME} COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${resources_out}/debian/ventiq-smcsim.1.gz
  DESTINATION usr/share/man/man1 COMPONENT system EXCLUDE_FROM_ALL)
install(FILES resources/debian/lintian-overrides
  DESTINATION usr/share/lintian/overrides RENAME ${VENTIQ_PACKAGE_NAME} COMPONENT system EXCLUDE_FROM_ALL)
