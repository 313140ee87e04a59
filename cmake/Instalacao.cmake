# What `cmake --install` puts in place and what `cpack -G DEB` packs: the
# programs with their manual pages, the desktop entry and its icon, and the
# core as a static library with its headers and a CMake package, so another
# program can write find_package(SalvexaNFe) and link SalvexaNFe::salvexa_core.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_alvos_nucleo salvexa_util salvexa_nfe salvexa_writer salvexa_converter salvexa_core)
install(TARGETS ${_alvos_nucleo} EXPORT SalvexaNFeAlvos
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(area util nfe writer converter)
  install(DIRECTORY src/${area} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/salvexa FILES_MATCHING PATTERN "*.h")
endforeach()
set(_destino_cmake ${CMAKE_INSTALL_LIBDIR}/cmake/SalvexaNFe)
install(EXPORT SalvexaNFeAlvos NAMESPACE SalvexaNFe:: DESTINATION ${_destino_cmake})
configure_package_config_file(cmake/SalvexaNFeConfig.cmake.in ${CMAKE_BINARY_DIR}/SalvexaNFeConfig.cmake
                              INSTALL_DESTINATION ${_destino_cmake})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/SalvexaNFeConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/SalvexaNFeConfig.cmake ${CMAKE_BINARY_DIR}/SalvexaNFeConfigVersion.cmake
        DESTINATION ${_destino_cmake})

set(_programas salvexa-convert salvexa-dfe)
if(TARGET salvexa-nfe)
  list(APPEND _programas salvexa-nfe)
  install(FILES packaging/salvexa-nfe.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/salvexa-nfe.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(TARGETS ${_programas} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages made from each program's --help.
find_program(SALVEXA_HELP2MAN help2man)
if(SALVEXA_HELP2MAN)
  set(_resumo_salvexa-convert "convert a saved NF-e portal result page into NF-e XML")
  set(_resumo_salvexa-nfe "recover the XML of an NF-e by its access key, from the national portal or with a certificate")
  set(_resumo_salvexa-dfe "get the original XML of an NF-e from the national distribution service with a certificate")
  set(_paginas)
  foreach(programa ${_programas})
    set(_pagina ${CMAKE_BINARY_DIR}/man/${programa}.1)
    add_custom_command(OUTPUT ${_pagina}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${SALVEXA_HELP2MAN} --no-info --version-string=${PROJECT_VERSION} --name=${_resumo_${programa}}
              --output=${_pagina} $<TARGET_FILE:${programa}>
      DEPENDS ${programa} VERBATIM)
    list(APPEND _paginas ${_pagina})
  endforeach()
  add_custom_target(paginas_manual ALL DEPENDS ${_paginas})
  install(FILES ${_paginas} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME salvexa-nfe)
set(CPACK_PACKAGE_CONTACT "Salvexa NF-e developers <salvexa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Recovers the XML of a Brazilian NF-e by its access key")
set(CPACK_PACKAGE_DESCRIPTION "Given the 44-digit access key of an NF-e (layout 2.00), salvexa-nfe drives the
national NF-e portal's complete consultation in an embedded browser, lets you type the captcha and saves
the invoice as NF-e XML. salvexa-convert converts a saved result page without a display. salvexa-dfe gets
the issuer's original, signed XML from the national distribution service with the company's A1
certificate. The core is included as a static C++ library with its CMake package.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies from the programs' libraries, not by hand: Qt for salvexa-nfe; libcurl, OpenSSL,
# libxml2, xmlsec1 and zlib for salvexa-dfe.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
