// Binding of the maker's machine-information library ZMINT.DLL, and the identification
// sequence that follows from the model name it reports.
#pragma once

// Loads ZMINT.DLL, reads the system identifier and the model name, releases the library,
// runs the identification steps and logs the summary. 0 when the library was bound and
// the identification ran, -1 when it was not bound.
int LoadMachineInfo();
