# `cpack` in the build directory makes a .deb of the program, its desktop entry and
# icon; the library dependencies are read off the binary by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Test utility for the smart-card encoders of card printers")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The card watch needs the PC/SC service; the ATR list is compiled in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pcscd")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-daemon")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
