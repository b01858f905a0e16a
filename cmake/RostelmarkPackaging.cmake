# The Debian package: `cpack -G DEB` in the build folder (scripts/package does the whole
# build) installs the same files as `cmake --install`, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rostelmark)
set(CPACK_PACKAGE_VENDOR Quorvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvex <info@quorvex.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "duty roster planning for small teams")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Rostelmark plans the monthly duty rosters of small teams such as care homes,\n"
  "clinics, shops and workshops. It keeps the employees and the duties, lets the\n"
  "planner paint each month's plan with the mouse, keeps every employee's hours\n"
  "account, marks weekends and holidays, and prints or exports the plans as PDF\n"
  "and CSV, and each employee's duties as calendar files (iCalendar) that a\n"
  "calendar program updates on every new import. Changes can be undone and\n"
  "redone. Several computers can share one data folder.\n"
  "\n"
  "The command-line tool rostelmark-cli writes the same exports, pictures and\n"
  "statistics without a display, for scripts and servers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvex <info@quorvex.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# Depends is computed by dpkg-shlibdeps from the libraries the executables and the solver
# module link, plus the print scheduler's client library, which the program loads when it
# first checks a print job.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcups2")
# Not linked, but used when present: German standard buttons and dialogs of the toolkit,
# and metric-compatible fonts for printing and PDF export.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation")

include(CPack)
