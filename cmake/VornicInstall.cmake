# Where `cmake --install` puts the two programs and what they ship. Two components, one per
# package: "window" (vornic-host and its desktop integration) and "server" (vornic-hostd and its
# systemd unit). Each ships its own sample ladders.ini under share/<program>/, so the packages can
# be installed alone or together.

set(vornic_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS vornic-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
install(TARGETS vornic-hostd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
install(FILES ${vornic_data}/ladders.ini
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vornic-host COMPONENT window)
install(FILES ${vornic_data}/ladders.ini
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vornic-hostd COMPONENT server)

install(FILES ${vornic_data}/org.vornic.VornicHost.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)
install(FILES ${vornic_data}/icons/vornic-host.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT window)
install(FILES ${vornic_data}/icons/vornic-host-256.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME vornic-host.png
    COMPONENT window)
configure_file(${vornic_data}/org.vornic.VornicHost.metainfo.xml
    ${CMAKE_CURRENT_BINARY_DIR}/org.vornic.VornicHost.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.vornic.VornicHost.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT window)

# Files that name installed paths are filled in when they are installed, not when the build is
# configured: `cmake --install --prefix DIR` and the packages (prefix /usr) then both get theirs.
function(vornic_install_configured template destination component)
    get_filename_component(name ${template} NAME_WLE)
    install(CODE "
        set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        if(IS_ABSOLUTE \"${CMAKE_INSTALL_BINDIR}\")
            set(VORNIC_UNIT_PROGRAM \"${CMAKE_INSTALL_BINDIR}/vornic-hostd\")
        else()
            set(VORNIC_UNIT_PROGRAM \"\${prefix}/${CMAKE_INSTALL_BINDIR}/vornic-hostd\")
        endif()
        if(IS_ABSOLUTE \"${CMAKE_INSTALL_DATADIR}\")
            set(VORNIC_FULL_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
        else()
            set(VORNIC_FULL_DATADIR \"\${prefix}/${CMAKE_INSTALL_DATADIR}\")
        endif()
        if(IS_ABSOLUTE \"${destination}\")
            set(target \"\$ENV{DESTDIR}${destination}/${name}\")
        else()
            set(target \"\$ENV{DESTDIR}\${prefix}/${destination}/${name}\")
        endif()
        message(STATUS \"Installing: \${target}\")
        configure_file(\"${template}\" \"\${target}\" @ONLY)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${target}\")
    " COMPONENT ${component})
endfunction()

vornic_install_configured(${vornic_data}/man/vornic-host.1.in ${CMAKE_INSTALL_MANDIR}/man1 window)
vornic_install_configured(${vornic_data}/man/vornic-hostd.1.in ${CMAKE_INSTALL_MANDIR}/man1 server)
# Debian's place for units of packages; systemd also reads it under /usr.
vornic_install_configured(${vornic_data}/systemd/vornic-hostd.service.in lib/systemd/system server)
