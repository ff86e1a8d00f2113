# What `cmake --install` puts where, and what `cpack` makes of it.
#   Windows build: Facet-<version>-win64.zip, the factory payload: a folder Facet that
#                  becomes C:\Facet on the image, and README.txt for the image engineer.
#   Host build:    facet-sim, its man page and its bash completion; cpack makes a Debian
#                  package (facet-sim_<version>_<arch>.deb) and a .tar.gz.
# The package version is the project version (cmake/FacetVersion.cmake).
include(GNUInstallDirs)

set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Corvane Facet team <facet@corvane.example>")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(FACET_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")

# Writes a text file with CR LF line ends, as Windows' own tools expect, from a template
# kept with LF ends in the repository (@VARIABLES@ replaced).
function(facet_configure_crlf template output)
  configure_file("${template}" "${output}.lf" @ONLY)
  file(READ "${output}.lf" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${output}" "${text}")
endfunction()

if(WIN32)
  # The folder that goes to the root of the image's C: drive.
  set(FACET_IMAGE_DIR Facet)
  set(sample "${PROJECT_SOURCE_DIR}/examples/machine/drive_c/Facet")

  install(TARGETS Facet FacetVer RUNTIME DESTINATION ${FACET_IMAGE_DIR})
  # ZMINT.DLL only: its import library is of no use on the image.
  install(TARGETS zmint
    RUNTIME DESTINATION ${FACET_IMAGE_DIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel EXCLUDE_FROM_ALL)
  # FacetCapture.exe lies beside Facet.exe (it loads ZMINT.DLL from its own folder).
  set(FACET_README_CAPTURE_FILE "")
  set(FACET_README_CAPTURE "")
  if(TARGET FacetCapture)
    install(TARGETS FacetCapture RUNTIME DESTINATION ${FACET_IMAGE_DIR})
    file(READ "${FACET_PACKAGING_DIR}/windows/README-capture.txt" FACET_README_CAPTURE)
    set(FACET_README_CAPTURE_FILE
      "  Facet\\FacetCapture.exe    records a machine as a machine image (below)\n")
  endif()
  install(FILES "${sample}/Facet.INI" DESTINATION ${FACET_IMAGE_DIR})
  install(DIRECTORY "${sample}/Bitmap" DESTINATION ${FACET_IMAGE_DIR})

  facet_configure_crlf("${FACET_PACKAGING_DIR}/windows/README.txt.in" "${PROJECT_BINARY_DIR}/README.txt")
  install(FILES "${PROJECT_BINARY_DIR}/README.txt" DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME "Facet")
  set(CPACK_PACKAGE_FILE_NAME "Facet-${PROJECT_VERSION}-win64")
  # The zip holds Facet\ and README.txt at its top, ready to be laid onto C:\.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  install(TARGETS facet-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The man page is kept as roff; the build puts the version in and compresses it as
  # Debian packages carry their man pages.
  configure_file("${FACET_PACKAGING_DIR}/host/facet-sim.1.in" "${PROJECT_BINARY_DIR}/man/facet-sim.1" @ONLY)
  add_custom_command(
    OUTPUT "${PROJECT_BINARY_DIR}/man/facet-sim.1.gz"
    COMMAND gzip -9 -n -f -k "${PROJECT_BINARY_DIR}/man/facet-sim.1"
    DEPENDS "${PROJECT_BINARY_DIR}/man/facet-sim.1"
    COMMENT "Compressing the facet-sim man page")
  add_custom_target(facet-sim-man ALL DEPENDS "${PROJECT_BINARY_DIR}/man/facet-sim.1.gz")
  install(FILES "${PROJECT_BINARY_DIR}/man/facet-sim.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  install(FILES "${FACET_PACKAGING_DIR}/host/facet-sim.bash-completion"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME facet-sim)

  set(CPACK_GENERATOR "DEB;TGZ")
  set(CPACK_PACKAGE_NAME "facet-sim")
  set(CPACK_PACKAGE_FILE_NAME "facet-sim-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "run the Facet branding engine on a machine image")
  set(CPACK_STRIP_FILES ON)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The Depends line comes from the libraries facet-sim links (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
  # The summary line is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the text below it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "facet-sim runs the Facet branding engine, the same code as Facet.exe, on a\n"
    "machine image: a folder that stands for a freshly imaged Windows PC. A branding\n"
    "run can so be tried, tested and previewed without Windows. It also carries\n"
    "the tools for the authors of branding files.")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
endif()

include(CPack)
