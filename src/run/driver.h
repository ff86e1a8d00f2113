// One branding run from top to bottom: the fixed order of steps, the log head, the
// check for the branding file and the closing result block for the pre-install process.
#pragma once

// Runs the whole branding run with the program's argument vector (argument 0 is the
// program itself). Always returns 0, the process exit code.
int RunFacet(int argc, char** argv);

// The two halves of RunFacet around the identification (LoadMachineInfo), so that a tool
// can run the installation for a machine it describes itself: StartRun resets the run
// state, makes the work folder, chooses the log and writes its head; RunInstallation
// runs everything after the identification, with the same arguments, and returns 0.
void StartRun();
int RunInstallation(int argc, char** argv);

// 1 when something (file or folder) exists at szIniPath, else 0.
int IniFileExists();

// True for an argument that asks for the home page: "-" or "/" followed by "h" in
// either case, and nothing else.
bool IsHomePageSwitch(const char* arg);
