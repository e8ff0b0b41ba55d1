# The Debian packages, one per install component (see CMakeLists.txt), from the one build.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${packages})
set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Zorvane developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE zorvane)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZORVANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET zvisa_shared)
  # dpkg-shlibdeps finds libzvisa.so.1 in the build; the dependency on libzvisa1 is ours.
  get_target_property(visa_build_dir zvisa_shared BINARY_DIR)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${visa_build_dir})
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A package that needs another of ours needs it at the same version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# Each description's first line is the package's synopsis.
set(library_text "libzvisa is a VISA library for USBTMC instruments. It talks USBTMC over
libusb itself, so no vendor VISA library is needed, and serves C programs,
PyVISA scripts, Zorvane and zorvane-share.")
set(CPACK_DEBIAN_LIBZVISA1_PACKAGE_NAME libzvisa1)
set(CPACK_DEBIAN_LIBZVISA1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBZVISA1_DESCRIPTION "VISA library for USBTMC instruments over libusb
${library_text}

This package holds the shared library and a udev rule that lets the user at
the seat and members of plugdev open the bench digital multimeter on USB
(vendor 0x7A5E) without root.")
# A shlibs entry for programs built against libzvisa.so.1; ldconfig runs through dpkg's trigger
# on install and removal (our own postinst and postrm replace CPack's ldconfig calls).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
foreach(script postinst postrm)
  configure_file(libzvisa1.maintscript libzvisa1/${script} COPYONLY)
endforeach()
configure_file(libzvisa1.triggers libzvisa1/triggers COPYONLY)
set(CPACK_DEBIAN_LIBZVISA1_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_BINARY_DIR}/libzvisa1/postinst ${CMAKE_CURRENT_BINARY_DIR}/libzvisa1/postrm
    ${CMAKE_CURRENT_BINARY_DIR}/libzvisa1/triggers)

set(CPACK_DEBIAN_LIBZVISA-DEV_PACKAGE_NAME libzvisa-dev)
set(CPACK_DEBIAN_LIBZVISA-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBZVISA-DEV_DESCRIPTION "VISA library for USBTMC instruments over libusb - development files
${library_text}

This package holds what a C program needs to build against it: visa.h and
visatype.h in /usr/include/zvisa, libzvisa.so and zvisa.pc for pkg-config.")
set(CPACK_COMPONENT_LIBZVISA-DEV_DEPENDS libzvisa1)

set(CPACK_DEBIAN_ZORVANE_PACKAGE_NAME zorvane)
set(CPACK_DEBIAN_ZORVANE_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_ZORVANE_DESCRIPTION "burst measurement with a USB bench multimeter
Zorvane finds a bench digital multimeter on USB (vendor 0x7A5E), checks
that it is set to DC volts or DC current, takes a burst of 50000 readings,
fetches them in one binary block and lists them with the time the transfer
took, together with a log of the commands sent.

The package holds the window (zorvane) and the console runner for scripts
(zorvane-burst, readings as CSV).")
set(CPACK_COMPONENT_ZORVANE_DEPENDS libzvisa1)

set(CPACK_DEBIAN_ZORVANE-SHARE_PACKAGE_NAME zorvane-share)
set(CPACK_DEBIAN_ZORVANE-SHARE_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_ZORVANE-SHARE_DESCRIPTION "share a USB bench multimeter on the network
zorvane-share serves bench digital multimeters on USB (vendor 0x7A5E) to
VISA clients on the network over VXI-11, so the programs, PyVISA scripts and
lxi-tools reach it as a TCPIP instrument. It needs no window system.

The service is installed but not enabled: systemctl enable --now
zorvane-share starts it. Its options are set in /etc/default/zorvane-share.")
if(TARGET zvisa_shared)
  # Also for the udev rule: the server opens the meters.
  set(CPACK_COMPONENT_ZORVANE-SHARE_DEPENDS libzvisa1)
endif()
foreach(script postinst prerm postrm)
  configure_file(zorvane-share.${script} zorvane-share/${script} COPYONLY)
endforeach()
configure_file(zorvane-share.conffiles zorvane-share/conffiles COPYONLY)
set(CPACK_DEBIAN_ZORVANE-SHARE_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_BINARY_DIR}/zorvane-share/postinst
    ${CMAKE_CURRENT_BINARY_DIR}/zorvane-share/prerm
    ${CMAKE_CURRENT_BINARY_DIR}/zorvane-share/postrm
    ${CMAKE_CURRENT_BINARY_DIR}/zorvane-share/conffiles)

include(CPack)
