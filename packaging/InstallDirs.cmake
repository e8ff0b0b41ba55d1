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

# udev and systemd read from lib/ under the prefix, never from the multiarch CMAKE_INSTALL_LIBDIR.
set(ZORVANE_UDEV_RULES_DIR lib/udev/rules.d)
set(ZORVANE_SYSTEMD_UNIT_DIR lib/systemd/system)
# A service's defaults live in /etc/default whatever the prefix, where its unit reads them.
set(ZORVANE_DEFAULTS_DIR /etc/default)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
