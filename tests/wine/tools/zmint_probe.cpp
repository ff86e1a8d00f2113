// zmint_probe: loads ZMINT.DLL by name as Facet.exe does, calls its three entry points
// with guarded buffers and prints what they gave, so the Wine checks can see that the
// library loads, answers and keeps its limits whatever the firmware holds.
#include <windows.h>

#include <cstdio>
#include <cstring>

typedef void (*GetTextFn)(char*);
typedef unsigned char (*GetByteFn)();

int main() {
    HMODULE lib = LoadLibraryA("ZMINT.DLL");
    if (lib == nullptr) {
        printf("load=failed\n");
        return 1;
    }
    auto model = reinterpret_cast<GetTextFn>(reinterpret_cast<void*>(GetProcAddress(lib, "zmiGetModelName")));
    auto os = reinterpret_cast<GetByteFn>(reinterpret_cast<void*>(GetProcAddress(lib, "zmiGetOSVersion")));
    auto id = reinterpret_cast<GetTextFn>(reinterpret_cast<void*>(GetProcAddress(lib, "zmiGetMachineId")));
    if (!model || !os || !id) {
        printf("exports=missing\n");
        return 1;
    }
    // Each buffer is followed by guard bytes that must survive the call.
    char modelBuf[260 + 16];
    char idBuf[20 + 16];
    memset(modelBuf, 0x5A, sizeof(modelBuf));
    memset(idBuf, 0x5A, sizeof(idBuf));
    model(modelBuf);
    id(idBuf);
    unsigned osVersion = os();
    FreeLibrary(lib);
    bool guards = true;
    for (int i = 260; i < 276; ++i) guards = guards && modelBuf[i] == 0x5A;
    for (int i = 20; i < 36; ++i) guards = guards && idBuf[i] == 0x5A;
    bool terminated = memchr(modelBuf, 0, 260) != nullptr && memchr(idBuf, 0, 20) != nullptr;
    printf("load=ok\nterminated=%s\nguards=%s\nos=%u\n", terminated ? "yes" : "no", guards ? "ok" : "overrun",
           osVersion);
    return terminated && guards ? 0 : 1;
}
