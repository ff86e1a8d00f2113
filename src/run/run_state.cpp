#include "run/run_state.h"

#include <cstring>

#include "base/bounded.h"

RunState g_run;

const char kNewLine[] = "\n";
const char kEmpty[] = "";

void ResetRunState() {
    memset(&g_run, 0, sizeof(g_run));
    CopyText(g_run.szDashRegion, "XX");
    CopyText(g_run.szLogPath, "C:\\FACTORY\\Util");
    CopyText(g_run.szOSLangString, "UN");
}
