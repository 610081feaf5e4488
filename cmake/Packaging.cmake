# `cpack` in the build directory makes a .deb of the programs, their manual pages, the
# desktop entry, icon and AppStream metadata. The library dependencies are read off the
# binaries by dpkg-shlibdeps; cmake/PackageStaging.cmake strips the binaries and
# compresses what Debian wants compressed. tests/package checks the result.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Test utility for the smart-card encoders of card printers")
set(CPACK_PACKAGE_DESCRIPTION [=[
Quorvane tests the smart-card encoders inside plastic-card printers, which the
computer reaches as PC/SC smart-card readers. In one window the operator moves
the card to the contact or the contactless encoding station or ejects it
(through the printer maker's SDK library), sees each card's answer-to-reset
(ATR) with its description from pcsc-tools' ATR list, sends APDUs typed in
hexadecimal, and runs a DESFire 8K stress test that writes a whole 7500-byte
file and leaves the card formatted.

The companion program quorvane-cli brings the same checks to scripts,
production lines and soak runs: reader listing, ATR identification, typed APDUs
and the stress test card after card, optionally with each card fed and ejected
by the printer, with a JSON report.

The card moves need the card printer's CUPS queue with the maker's driver and
the maker's SDK library, which are not part of this package.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The card watch needs the PC/SC service. pcsc-tools brings the system's ATR list, which
# it keeps more up to date than the copy built in; CUPS serves the card printer.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pcscd")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pcsc-tools, cups-daemon")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStaging.cmake)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)

# The copyright file names the built-in ATR list's holder as the list's header does,
# and states its licence, which the header must still grant.
file(STRINGS ${QUORVANE_ATR_LIST} atr_list_header LIMIT_COUNT 20 REGEX "^#")
list(FILTER atr_list_header INCLUDE REGEX "Copyright")
string(REGEX REPLACE "^#[ \t]*Copyright[ \t]+\\([Cc]\\)[ \t]+" "" ATR_LIST_COPYRIGHT "${atr_list_header}")
string(REGEX REPLACE "[ \t]+" " " ATR_LIST_COPYRIGHT "${ATR_LIST_COPYRIGHT}")
file(STRINGS ${QUORVANE_ATR_LIST} atr_list_header LIMIT_COUNT 20 REGEX "^#")
string(JOIN " " atr_list_header ${atr_list_header})
string(REGEX REPLACE "[# \t]+" " " atr_list_header "${atr_list_header}")
string(FIND "${atr_list_header}"
  "either version 2 of the License, or (at your option) any later version" gpl2_or_later)
if(ATR_LIST_COPYRIGHT STREQUAL "" OR gpl2_or_later EQUAL -1)
  message(FATAL_ERROR "${QUORVANE_ATR_LIST}: no copyright line, or no longer GPL-2.0-or-later;"
    " packaging/copyright.in needs a look")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in copyright @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${PROJECT_SOURCE_DIR}/packaging/changelog
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
