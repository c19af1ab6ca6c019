# The Debian package, `make package`: build/<preset>/plumavert-fennic_<version>-<release>_<arch>.deb with
# everything the install rules put below /usr (and the system printer table in /etc/xdg). Its run-time
# dependencies come from the binaries (dpkg-shlibdeps), plus what they load without linking: the fonts
# of the text printer and Qt's platform plugins.
set(PF_DEB_PACKAGE plumavert-fennic)
set(PF_DEB_RELEASE 1)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE PF_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
if(NOT PF_DEB_ARCH)
    set(PF_DEB_ARCH amd64)
endif()
set(PF_DEB_FILE
    ${CMAKE_BINARY_DIR}/${PF_DEB_PACKAGE}_${PROJECT_VERSION}-${PF_DEB_RELEASE}_${PF_DEB_ARCH}.deb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PF_DEB_PACKAGE})
set(CPACK_PACKAGE_VENDOR Tarnwicke)
set(CPACK_PACKAGE_CONTACT "Plumavert Fennic developers <support@plumavert.example>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The install runs with the prefix /usr inside a staging folder (DESTDIR), so every path the install
# rules write into files (the text printer's registration) is the installed one.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

set(CPACK_DEBIAN_PACKAGE_NAME ${PF_DEB_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PF_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PF_DEB_ARCH})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter of plain-text files to PDF files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Plumavert Fennic turns many plain-text files into PDF files in one
batch. Files are added with a file dialog, by dropping files and folders onto
the list, or by collecting every file of one extension from a whole folder
tree; the list can be reordered and pruned before the run.

Every file is laid out by the text printer plumavert-textprint and printed to
the virtual PDF printer \"Tarnwicke PDF Writer\", which the package installs
for every user.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-noto-core, fonts-noto-cjk, fonts-hanazono, fonts-wqy-microhei, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The system printer table is configuration: dpkg keeps a changed one on upgrades and removes it on purge.
file(WRITE ${CMAKE_BINARY_DIR}/debian-control/conffiles "/etc/xdg/Tarnwicke/printers.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian-control/conffiles)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
