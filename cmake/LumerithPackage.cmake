# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh).
# Program files under /usr/lib/lumerith, the launcher in /usr/bin, desktop
# entry, software-centre description and icons under /usr/share, and the
# module configuration file as a conffile in /etc/lumerith (stage script).

# One name for the desktop entry, the software-centre description and the
# package's links between them.
set(LUMERITH_APP_ID org.lumerith.Lumerith)
set(LUMERITH_HOMEPAGE "https://lumerith.example" CACHE STRING
  "Web address where the source tree is published; the package's homepage and the screenshot's base")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumerith)
set(CPACK_PACKAGE_VENDOR "Lumerith V2 developers")
set(CPACK_PACKAGE_CONTACT "Lumerith V2 developers <lumerith@lumerith.example>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debug information stays in the build; the package carries stripped files.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document scanner for SANE devices and cloud services")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMERITH_HOMEPAGE})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# CPack puts the summary line in front.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lumerith V2 scans documents with the scanners and multifunction machines
that SANE drives, on USB or on the network: preview the glass, drag a crop
rectangle and scan from the glass or the document feeder, one-sided or
duplex. Pages become JPEG, single-page TIFF or one PDF per job in a local
folder, or are uploaded while the scan runs to a cloud service.")
# Library dependencies come from the binaries; the private libraries beside
# the program are found through their $ORIGIN run path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Scanner drivers and the tools to find and test a scanner.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsane1, sane-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/LumerithDebStage.cmake)

include(CPack)
