# "cpack" in the build folder (or "cmake --build build --target package") builds
# tapwise_<version>_amd64.deb from the installed tree. Its dependencies come from dpkg-shlibdeps
# over every program and library in it; the program folder's own libraries are found there.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tapwise)
set(CPACK_PACKAGE_VENDOR Tapwise)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Typing tutor with graded lessons")
set(CPACK_PACKAGE_DESCRIPTION
    "Tapwise teaches touch typing: graded lessons from the home row to full passages, live speed and accuracy, an on-screen keyboard that shows the next key, and progress kept per local profile. It runs offline.")
set(CPACK_PACKAGE_CONTACT "Tapwise developers <tapwise@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TAPWISE_OUTPUT_DIR})
# The administrator's edits of the settings file survive upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/tapwise/app.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
