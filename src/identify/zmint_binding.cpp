#include "identify/zmint_binding.h"

#include <cstring>

#include "base/bounded.h"

namespace {

template <typename Fn>
Fn Export(HMODULE hLib, const char* name) {
    // Through void* so that the cast from FARPROC is not taken for a call through the
    // wrong type; the real types are the library's documented ones.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hLib, name)));
}

// The library is told nothing of the buffers' sizes. We hand it far more room than it
// may use and then keep its promised limits (259 and 19 characters) ourselves.
char s_modelScratch[2048];
char s_idScratch[512];

}  // namespace

bool OpenZmint(ZmintBinding* pBinding) {
    memset(pBinding, 0, sizeof(*pBinding));
    pBinding->hLib = LoadLibraryA("ZMINT.DLL");
    if (pBinding->hLib == nullptr) return false;
    pBinding->getModelName = Export<ZmiGetTextFn>(pBinding->hLib, "zmiGetModelName");
    pBinding->getOSVersion = Export<ZmiGetOSVersionFn>(pBinding->hLib, "zmiGetOSVersion");
    pBinding->getMachineId = Export<ZmiGetTextFn>(pBinding->hLib, "zmiGetMachineId");
    return true;
}

bool ZmintComplete(const ZmintBinding& binding) {
    return binding.hLib != nullptr && binding.getModelName != nullptr && binding.getOSVersion != nullptr &&
           binding.getMachineId != nullptr;
}

void ZmintMachineId(const ZmintBinding& binding, char (&szMachineId)[20]) {
    memset(s_idScratch, 0, sizeof(s_idScratch));
    binding.getMachineId(s_idScratch);
    s_idScratch[sizeof(s_idScratch) - 1] = '\0';
    CopyText(szMachineId, s_idScratch);
}

void ZmintModelName(const ZmintBinding& binding, char (&szModelName)[260]) {
    memset(s_modelScratch, 0, sizeof(s_modelScratch));
    binding.getModelName(s_modelScratch);
    s_modelScratch[sizeof(s_modelScratch) - 1] = '\0';
    CopyText(szModelName, s_modelScratch);
}

unsigned char ZmintOSVersion(const ZmintBinding& binding) { return binding.getOSVersion(); }

void CloseZmint(ZmintBinding* pBinding) {
    if (pBinding->hLib != nullptr) FreeLibrary(pBinding->hLib);
    memset(pBinding, 0, sizeof(*pBinding));
}
