# CPack set-up of the Debian package moxtel_<version>_amd64.deb (scripts/package builds it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME moxtel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The moxtel developers")
set(CPACK_PACKAGE_CONTACT "moxtel maintainers <maintainers@users.noreply.c-seed-eb237752.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stock money-flow statistics of tick trades (岚谷股票资金流向分析)")
# CPack writes the summary as the first line and indents these lines under it.
set(CPACK_PACKAGE_DESCRIPTION
    "moxtel reads one stock's tick-by-tick trades of a day from a workbook
(.xls, .xlsx or the tab-separated text of trading programs), classifies
every trade as an active buy, an active sell or of uncertain direction,
and sums lots and amounts into eleven trade-size buckets. It shows inflow,
outflow, net flow and totals per interval, stores every day in a local
SQLite database, and lists, charts, compares and clears the stored days.

The package holds the Qt desktop program moxtel (Chinese user interface,
with a user manual in Chinese) and the command line moxtel-flow.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
