# Bundle layout, installed with `cmake --install build/dev --prefix /`:
#   /Applications/Tavrinel.app/Contents/MacOS/Ventiq
#   /Applications/Tavrinel.app/Contents/Library/LaunchServices/com.quillmoor.ventiq.helper
#   /Applications/Tavrinel.app/Contents/Resources/ (scripts, unit templates, activator)
# and the simulated machine at /usr/local/bin/ventiq-smcsim.
set(VENTIQ_BUNDLE Applications/Tavrinel.app/Contents)

if(TARGET Ventiq)
  install(TARGETS Ventiq RUNTIME DESTINATION ${VENTIQ_BUNDLE}/MacOS)
endif()
if(TARGET com.quillmoor.ventiq.helper)
  install(TARGETS com.quillmoor.ventiq.helper RUNTIME DESTINATION ${VENTIQ_BUNDLE}/Library/LaunchServices)
endif()
if(TARGET ventiq-smcsim)
  install(TARGETS ventiq-smcsim RUNTIME DESTINATION usr/local/bin)
endif()
install(PROGRAMS
    resources/install_helper.sh
    resources/uninstall_helper.sh
    resources/helper_common.sh
    resources/ventiq-activator
  DESTINATION ${VENTIQ_BUNDLE}/Resources)
install(FILES
    resources/com.quillmoor.ventiq.helper.socket
    resources/com.quillmoor.ventiq.helper.service.in
  DESTINATION ${VENTIQ_BUNDLE}/Resources)
