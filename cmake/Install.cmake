# Install rules: the programs, the desktop entry and the application icon. Included at
# the end of the top CMakeLists.txt, so every program target is known by now.
include(GNUInstallDirs)

# tracer-sim brings its own rule in tools/sim.
foreach(program daridez daridez-dump)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    else()
        # Built under another target name: take the program from build/bin if it is there.
        install(PROGRAMS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${program}
                DESTINATION ${CMAKE_INSTALL_BINDIR} OPTIONAL)
    endif()
endforeach()

if(NOT DARIDEZ_CORE_ONLY)
    set(DARIDEZ_ICONS ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${PROJECT_SOURCE_DIR}/res/daridez.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/res/daridez-32.png
            DESTINATION ${DARIDEZ_ICONS}/32x32/apps RENAME daridez.png)
    install(FILES ${PROJECT_SOURCE_DIR}/res/daridez-16.png
            DESTINATION ${DARIDEZ_ICONS}/16x16/apps RENAME daridez.png)
    install(FILES ${PROJECT_SOURCE_DIR}/res/daridez.svg
            DESTINATION ${DARIDEZ_ICONS}/scalable/apps)
endif()
