// Binding of the maker's machine-information library ZMINT.DLL, and the identification
// sequence that follows from the model name it reports.
#pragma once

// What ReadMachineIdentity found.
enum {
    kIdentityRead = 0,
    kIdentityNoLibrary = 1,
    kIdentityNoExport = 2
};

// Loads ZMINT.DLL, reads the system identifier (at most 19 characters) and the model
// name (at most 259, as reported: not yet upper-cased), asks for the OS version as the
// run does, and releases the library. Logs nothing; the texts stay empty unless
// kIdentityRead.
int ReadMachineIdentity(char (&szMachineId)[20], char (&szModelName)[260]);

// Loads ZMINT.DLL, reads the system identifier and the model name, releases the library,
// runs the identification steps and logs the summary. 0 when the library was bound and
// the identification ran, -1 when it was not bound.
int LoadMachineInfo();
