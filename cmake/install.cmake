# Installation and the Debian package.
include(GNUInstallDirs)

install(TARGETS tovrakel tovrakel-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package) also drops the compilers' version notes, as Debian's packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program tovrakel tovrakel-tool)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
install(FILES ${CMAKE_SOURCE_DIR}/data/tovrakel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/cn.tovrakel.Tovrakel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/tovrakel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/tovrakel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tovrakel.png)
endforeach()

# The manual pages and the package's changelog, compressed as Debian keeps them: the most, and
# without the time stamp that would make each build's package differ.
set(package_docs ${CMAKE_BINARY_DIR}/package-docs)
set(package_gz)
foreach(page tovrakel tovrakel-tool)
  configure_file(${CMAKE_SOURCE_DIR}/man/${page}.1.in ${package_docs}/${page}.1 @ONLY)
  list(APPEND package_gz ${package_docs}/${page}.1.gz)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/data/package/changelog ${package_docs}/changelog COPYONLY)
list(APPEND package_gz ${package_docs}/changelog.gz)
foreach(gz ${package_gz})
  string(REGEX REPLACE "\\.gz$" "" plain ${gz})
  add_custom_command(OUTPUT ${gz} COMMAND gzip -9nkf ${plain} DEPENDS ${plain} VERBATIM)
endforeach()
add_custom_target(package_docs ALL DEPENDS ${package_gz})
install(FILES ${package_docs}/tovrakel.1.gz ${package_docs}/tovrakel-tool.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/data/package/copyright ${package_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tovrakel)

set(CPACK_PACKAGE_NAME tovrakel)
set(CPACK_PACKAGE_VENDOR "Tovrakel")
set(CPACK_PACKAGE_CONTACT "Tovrakel <support@tovrakel.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Purchase, sales and stock ledger for a small shop")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Tovrakel keeps a small shop's purchases, sales and stock in one database
file. The shop keeper records each stock-in batch, sells from a batch with
discounts, arrears and customer numbers, prints POS receipts (also on ESC/POS
receipt printers) and A4 delivery and sales notes with the total in Chinese
capitals, browses sales with monthly and daily profit charts, sums stock per
product, exports grids as Excel workbooks, imports stock from a workbook and
backs up the database. The windows speak Simplified Chinese.

The command-line companion tovrakel-tool makes nightly backups, restores,
exports and imports ledgers and prints on receipt printers without windows.]=])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY tovrakel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tovrakel.cn")
# Libraries come from dpkg-shlibdeps; plugins, fonts and libpq (opened with a server ledger) are
# loaded at run time, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n, fonts-noto-cjk, libpq5")
# The program asks lpstat whether the print service runs and prints receipts to raw CUPS queues
# with lp: a few small packages. Opening web pages, mail and exported files goes through xdg-open,
# which every desktop already has; as a Recommends it would bring dozens of packages to a till
# that has one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
# Stripped, as Debian ships programs: the debugging symbols are no use at a till.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
