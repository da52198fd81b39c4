# What `cmake --install` puts on a machine and how `cpack -G DEB` packs it: both programs, the udev rule
# that lets the logged-in user open the box, the desktop entry and the icon.
include(GNUInstallDirs)

install(TARGETS selvano selvano-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# udev reads rules from lib/udev/rules.d under the prefix (/usr/lib/udev/rules.d for the package).
install(FILES ${PROJECT_SOURCE_DIR}/resources/70-selvano.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/resources/selvano.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/selvano.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME selvano)
set(CPACK_PACKAGE_VENDOR "Selvano developers")
set(CPACK_PACKAGE_CONTACT "Selvano developers <selvano@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tuning tool for the car-audio DSP box")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop tuning tool and command-line companion for an eight-channel car-audio digital sound processor \
connected over USB HID: equaliser, crossovers, gain, delay, presets, setup files, factory reset and firmware \
update. Runs on a built-in simulated device without the box.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The libraries come from dpkg-shlibdeps; the Chinese interface needs a CJK font and Qt's own Chinese
# texts (the Yes and No of a question).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
include(CPack)
