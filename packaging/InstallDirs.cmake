# Where every folder's install rules put things, included by the top-level CMakeLists.txt before
# its folders: GNU directories, as the Debian packages use them with prefix /usr.
# The shared library goes to lib/<multiarch> on Debian whatever the prefix (GNUInstallDirs picks
# multiarch only when configured with prefix /usr; the packages and the install check use /usr).
if(CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version
   AND (NOT CMAKE_INSTALL_LIBDIR OR CMAKE_INSTALL_LIBDIR STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
      CACHE PATH "Object code libraries (LIBDIR)" FORCE)
endif()
include(GNUInstallDirs)

# udev reads rules from lib/ under the prefix, never from the multiarch CMAKE_INSTALL_LIBDIR.
set(ZORVANE_UDEV_RULES_DIR lib/udev/rules.d)
# Units go to /usr/lib/systemd/system on Debian 12 and 13 alike: systemd reads it on both, 13's
# lintian refuses the aliased /lib, and the package does not depend on what the build machine's
# systemd.pc says.
set(ZORVANE_SYSTEMD_UNIT_DIR /usr/lib/systemd/system
    CACHE PATH "Where the systemd unit goes when installing with prefix /usr")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
