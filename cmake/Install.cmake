# Install rules for the desktop integration: the desktop entry and the application
# icon in the hicolor theme. Each program (daridez, daridez-dump, tracer-sim) brings
# its own install rule beside its target.
include(GNUInstallDirs)

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
