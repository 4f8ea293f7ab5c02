# The installed tree: one program folder that holds what build/out holds (the program, its
# libraries, the engine, mindump, language/, dist/), a launcher on the PATH that starts the
# program with that folder as working directory, a menu entry and icons, and the settings file
# under the system configuration folder, linked from the program folder, where the program
# reads it. Nothing in the program folder is written at run time.
# The layout is the freedesktop one: a Windows build installs differently.
if(WIN32 OR APPLE)
    return()
endif()
include(GNUInstallDirs)

# Not the multiarch library folder: the program folder holds private files only.
set(TAPWISE_PROGRAM_DIR lib/tapwise CACHE STRING "Program folder, relative to the install prefix")
set(program_dir ${TAPWISE_PROGRAM_DIR})

install(TARGETS tapwise mindump
    RUNTIME DESTINATION ${program_dir} COMPONENT tapwise)
install(TARGETS TapwiseShell QBaseKit
    LIBRARY DESTINATION ${program_dir} NAMELINK_SKIP COMPONENT tapwise)
install(TARGETS TapwiseEngine
    LIBRARY DESTINATION ${program_dir} COMPONENT tapwise)
install(DIRECTORY ${TAPWISE_OUTPUT_DIR}/language ${TAPWISE_OUTPUT_DIR}/dist
    DESTINATION ${program_dir} COMPONENT tapwise)

# The launcher finds the program folder relative to itself, so the tree can move.
file(RELATIVE_PATH TAPWISE_PROGRAM_FROM_BIN /root/${CMAKE_INSTALL_BINDIR} /root/${program_dir})
configure_file(${CMAKE_SOURCE_DIR}/packaging/tapwise.in ${CMAKE_BINARY_DIR}/packaging/tapwise
    @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/tapwise
    DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tapwise)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/tapwise.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT tapwise)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/window/image/logo.${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME tapwise.png COMPONENT tapwise)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/window/image/src/logo.about.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME tapwise.svg COMPONENT tapwise)

# The settings file lives where the administrator edits configuration (/etc/tapwise under the
# prefix /usr, <prefix>/etc/tapwise otherwise); the program folder links to it because the
# program reads app.ini from its working directory. Decided at install time, so that
# "cmake --install --prefix" gets the same layout.
install(CODE "set(TAPWISE_SETTINGS_SOURCE \"${CMAKE_SOURCE_DIR}/app/app.ini.example\")
set(TAPWISE_PROGRAM_DIR \"${program_dir}\")"
    COMPONENT tapwise)
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/TapwiseInstallSettings.cmake COMPONENT tapwise)

include(${CMAKE_CURRENT_LIST_DIR}/TapwisePackaging.cmake)
