# Installation under CMAKE_INSTALL_PREFIX:
#   bin/                      the programs and the demo launcher
#   lib/serverbrowser/        the private libraries and the modules (never on the loader's path)
#   share/serverbrowser/      the host's data folder ("game"), the demo's configurations
#   share/applications, share/metainfo, share/man/man1
# Programs find their libraries through a run path relative to themselves, so the prefix can move.
include(GNUInstallDirs)

set(SB_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/serverbrowser)
set(SB_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/serverbrowser)
file(RELATIVE_PATH SB_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${SB_INSTALL_LIBDIR})

set(SB_INSTALLED_PROGRAMS kgui-host kv sbprobe serverfarm servermaster fakegame)
set(SB_INSTALLED_LIBRARIES tier0 kstdlib serverbrowser plexaclient)
foreach(program ${SB_INSTALLED_PROGRAMS})
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${SB_BIN_TO_LIB}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(library ${SB_INSTALLED_LIBRARIES})
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${library} LIBRARY DESTINATION ${SB_INSTALL_LIBDIR})
endforeach()

# The services stand-in reads the world beside itself unless told otherwise (the simulated one, which
# needs no servers); the demo launcher points it at the world of real servers on loopback.
install(FILES plexaclient/demo/plexaclient.vdf DESTINATION ${SB_INSTALL_LIBDIR})
install(DIRECTORY game/ DESTINATION ${SB_INSTALL_DATADIR}/game)
install(FILES host/demo/host.vdf plexaclient/demo/network_world.vdf DESTINATION ${SB_INSTALL_DATADIR})

# The demo launcher, twice: beside the built programs with the source tree's data, and for the
# prefix with paths relative to itself.
function(sb_configure_demo output modules world hostConfig game)
  set(SB_DEMO_MODULES ${modules})
  set(SB_DEMO_WORLD ${world})
  set(SB_DEMO_HOST_CONFIG ${hostConfig})
  set(SB_DEMO_GAME ${game})
  configure_file(dist/serverbrowser-demo.in ${output} @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE
                 OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()
sb_configure_demo(${SB_BIN_DIR}/serverbrowser-demo "$here" ${CMAKE_SOURCE_DIR}/plexaclient/demo/network_world.vdf
                  ${CMAKE_SOURCE_DIR}/host/demo/host.vdf ${CMAKE_SOURCE_DIR}/game)
file(RELATIVE_PATH SB_BIN_TO_DATA /${CMAKE_INSTALL_BINDIR} /${SB_INSTALL_DATADIR})
sb_configure_demo(${CMAKE_BINARY_DIR}/install/serverbrowser-demo "$here/${SB_BIN_TO_LIB}"
                  "$here/${SB_BIN_TO_DATA}/network_world.vdf" "$here/${SB_BIN_TO_DATA}/host.vdf"
                  "$here/${SB_BIN_TO_DATA}/game")
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/serverbrowser-demo DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES dist/org.kgui.serverbrowser.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(dist/org.kgui.serverbrowser.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/install/org.kgui.serverbrowser.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/org.kgui.serverbrowser.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES dist/kgui-host.1 dist/kv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
