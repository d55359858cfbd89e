# The Debian package: `cpack -G DEB --config build/dev/CPackConfig.cmake`
# after a full build. One package with the bundle and the `system`
# component (see Install.cmake); the command-line programs' /usr/local copies
# stay out of it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VENTIQ_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_CONTACT "Quillmoor <packages@quillmoor.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fan control and temperature monitoring for Apple-silicon Macs")
# The bundle lives under /Applications, as on a Mac; nothing goes under /usr
# unless Install.cmake says so.
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified system)

set(CPACK_DEBIAN_PACKAGE_NAME ${VENTIQ_PACKAGE_NAME})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries' symbols do not show: Qt's platform and SVG plugins are
# loaded at run time, pkexec runs the helper scripts, python3 runs the
# activator where no systemd runs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, pkexec | policykit-1, qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, fonts-noto-cjk")
# The summary is the first line; CPack indents these lines under it and
# turns the empty line into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tavrinel shows both fan speeds and the temperatures in the system tray and
sets what the fans do: system control, fixed speeds, a temperature curve, a
three-step temperature ladder, or full speed, with overheat protection from
92 °C. A small root helper, installed from the application on request, is
the only part that writes the fans and hands them back to the system
whenever the application goes away.

The package also holds ventiq-smcsim, a simulated Apple-silicon machine the
programs talk to where no other hardware backend is present.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
