// FacetVer.exe: carries the version stamp of a Facet release in its version resource.
// It does nothing when started; it has no C runtime, so it stays a few kilobytes.
#include <windows.h>

extern "C" void WINAPI FacetVerEntry() { ExitProcess(0); }
