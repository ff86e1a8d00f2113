// Feeds arbitrary model names, as a machine-information library may report them, through
// the brand classification and the option-code lookup.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "identify/brand.h"
#include "identify/dash_region.h"
#include "run/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetRunState();
    g_run.szLogPath[0] = '\0';  // no image is open: the log lines go nowhere
    size_t n = size < sizeof(g_run.szModelName) - 1 ? size : sizeof(g_run.szModelName) - 1;
    memcpy(g_run.szModelName, data, n);
    g_run.szModelName[n] = '\0';

    ClassifyBrand();
    if (strlen(g_run.szBrand) >= sizeof(g_run.szBrand) || strlen(g_run.szSubBrand) >= sizeof(g_run.szSubBrand)) {
        abort();
    }
    for (const char* p = g_run.szModelName; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') abort();
    }
    ResolveDashRegion();
    if (strlen(g_run.szDashRegion) > 2) abort();
    return 0;
}
