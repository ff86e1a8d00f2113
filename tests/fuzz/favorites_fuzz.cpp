// Feeds arbitrary branding text to InstallFavorites, with [S] as the chosen section: the
// Favorites list is cut into names, each name read as a link section, and shortcuts and
// sign-up entries are written. Whatever the list and the links hold, every file the
// action makes lies in the Favorites folder or is the sign-up file or the log.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "actions/favorites.h"
#include "fuzz_image.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fuzz_image::Put("registry.reg",
                        "Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
                        "\"Favorites\"=\"C:\\\\Users\\\\F\\\\Favorites\"\r\n");
        return true;
    }();
    (void)ready;
    const std::string drive = fuzz_image::Dir() + "/drive_c";
    fs::remove_all(drive);
    fs::create_directories(drive + "/Users/F/Favorites");
    fs::create_directories(drive + "/SIGNUP");
    fuzz_image::Put("drive_c/Facet.INI", std::string(reinterpret_cast<const char*>(data), size));
    fuzz_image::Open();

    ResetRunState();
    strcpy(g_run.szLogPath, "C:\\fuzz.log");
    strcpy(g_run.szIniPath, "C:\\Facet.INI");
    strcpy(g_run.szSection, "S");
    strcpy(g_run.szSignupPath, "C:\\SIGNUP\\INSTALL.INS");
    InstallFavorites();
    host::CloseMachine();

    for (const fs::directory_entry& e : fs::recursive_directory_iterator(drive)) {
        std::string rel = e.path().string().substr(drive.size());
        if (rel == "/fuzz.log" || rel == "/Facet.INI" || rel == "/SIGNUP/INSTALL.INS") continue;
        if (rel == "/Users" || rel == "/Users/F" || rel == "/Users/F/Favorites" || rel == "/SIGNUP") continue;
        if (rel.compare(0, 19, "/Users/F/Favorites/") != 0 || rel.find('/', 19) != std::string::npos) abort();
        if (rel.size() < 23 || rel.compare(rel.size() - 4, 4, ".URL") != 0) abort();
    }
    return 0;
}
