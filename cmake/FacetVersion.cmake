# One version for the whole project: project(Facet VERSION a.b.c.d) in CMakeLists.txt.
# Every version resource (Facet.exe, ZMINT.DLL, FacetCapture.exe) and facet-sim --version
# take it from here; FacetVer.exe alone has its own stamp (FACET_VER_FILE_VERSION), since
# that is the branding release's version, not the program's.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    message(FATAL_ERROR "project(Facet VERSION ...) needs four numbers (a.b.c.d) for the version resources")
  endif()
  if(PROJECT_VERSION_${part} GREATER 65535)
    message(FATAL_ERROR "each number of the project version must fit in 16 bits")
  endif()
endforeach()
string(REPLACE "." "," FACET_VERSION_NUMBERS "${PROJECT_VERSION}")
string(REPLACE "." ", " FACET_VERSION_TEXT "${PROJECT_VERSION}")
set(FACET_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/facet_version.h.in" "${FACET_GENERATED_DIR}/facet_version.h" @ONLY)
# Resource scripts anywhere in the tree include "facet_version.h".
include_directories("${FACET_GENERATED_DIR}")
