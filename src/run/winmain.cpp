// Facet.exe: a GUI-subsystem program that opens no window. The C runtime has already
// split the command line into __argc/__argv, which is what the run works from.
#include <stdlib.h>

#include "platform/win32.h"
#include "run/driver.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunFacet(__argc, __argv);
}
