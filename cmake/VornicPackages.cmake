# Two Debian packages from one build (`cpack -G DEB`, or scripts/package.sh): vornic-host, the
# window program, and vornic-hostd, the server program with its systemd unit. Their dependencies
# come from dpkg-shlibdeps, so vornic-hostd depends on the Qt Core and Network libraries only.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornic-host)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vornic Host developers")
set(CPACK_PACKAGE_CONTACT "Vornic Host developers <vornic-host@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Install into the staging folder with DESTDIR, so installed files name /usr, not the staging path.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_COMPONENTS_ALL window server)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME vornic-host)
# The one library dpkg-shlibdeps cannot see: Qt loads its platform plugins (xcb, wayland) at run
# time, and without them the window cannot open. Joined with what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "chat room host for an online golf game, with a window
Vornic Host lets one operator host a chat room for the players of an online
golf game and run a tournament from it: it registers the room with the game's
lobby server, relays chat, answers the players' bot commands and fetches
pairings and ranks from the league's web site.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME vornic-hostd)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "chat room host for an online golf game, as a service
The Vornic Host chat room without a window, for servers with no display,
and a systemd unit that runs it as a user of its own.")

include(CPack)
