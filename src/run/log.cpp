#include "run/log.h"

#include <cstring>

#include "base/bounded.h"
#include "platform/win32.h"
#include "run/run_state.h"

namespace {

// Creates the last folder of szWorkDir after appending `part`; true when the folder is
// there afterwards, whether we made it or an earlier run did.
bool AppendAndCreate(const char* part) {
    if (!PathAppendA(g_run.szWorkDir, part)) return false;
    if (CreateDirectoryA(g_run.szWorkDir, nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

// Collects the bytes of one entry and hands them to the file in chunks, so a long
// message never needs a buffer of its own size.
struct EntryWriter {
    HANDLE hFile;
    char chunk[512];
    size_t used = 0;
    bool ok = true;

    void Flush() {
        if (used != 0 && ok) {
            DWORD written = 0;
            ok = WriteFile(hFile, chunk, static_cast<DWORD>(used), &written, nullptr) && written == used;
        }
        used = 0;
    }
    void Put(char c) {
        if (used == sizeof(chunk)) Flush();
        chunk[used++] = c;
    }
    // The line-feed rule of a text-mode stream: LF goes out as CR LF, nothing else changes.
    void PutText(const char* text) {
        for (const char* p = text; *p; ++p) {
            if (*p == '\n') Put('\r');
            Put(*p);
        }
    }
};

}  // namespace

void CreateWorkFolder() {
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, g_run.szWorkDir) < 0 ||
        !AppendAndCreate("Corvane") || !AppendAndCreate("\\Facet")) {
        CopyText(g_run.szWorkDir, "c:\\");
    }
}

void InitLogPath() {
    bool factoryUtil = CreateDirectoryA(g_run.szLogPath, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    if (factoryUtil && PathAppendA(g_run.szLogPath, "Facet.Log")) return;

    CopyText(g_run.szLogPath, g_run.szWorkDir);
    if (!PathAppendA(g_run.szLogPath, "Facet.log")) {
        // A work folder too long to take the file name: the log goes to the drive root
        // rather than to a path we could not build.
        CopyText(g_run.szLogPath, "c:\\Facet.log");
    }
}

void WriteLog(const char* szMessage, const char* szText) {
    HANDLE hFile = CreateFileA(g_run.szLogPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return;

    EntryWriter out;
    out.hFile = hFile;
    out.PutText(szMessage);
    out.PutText(szText);
    // The entry's own "\r\n" passes through the same rule, giving CR CR LF.
    out.PutText("\r\n");
    out.Flush();
    CloseHandle(hFile);
}
