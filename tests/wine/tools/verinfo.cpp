// verinfo FILE: prints what Windows' version functions read from FILE's version
// resource, one "name=value" a line, so the Wine tests can compare it as text.
#include <windows.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: verinfo FILE\n");
        return 2;
    }
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(argv[1], &handle);
    if (size == 0) {
        printf("error=%lu\n", GetLastError());
        return 1;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(argv[1], handle, size, block.data())) {
        printf("error=%lu\n", GetLastError());
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) && fixed) {
        printf("FixedFileVersion=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        printf("FixedProductVersion=%u.%u.%u.%u\n", HIWORD(fixed->dwProductVersionMS),
               LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
               LOWORD(fixed->dwProductVersionLS));
    }
    static const char* const kNames[] = {"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                         "OriginalFilename", "ProductName", "ProductVersion"};
    for (const char* name : kNames) {
        char query[128];
        snprintf(query, sizeof(query), "\\StringFileInfo\\040904b0\\%s", name);
        char* value = nullptr;
        UINT valueLen = 0;
        if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &valueLen) && value) {
            printf("%s=%s\n", name, value);
        } else {
            printf("%s=<missing>\n", name);
        }
    }
    return 0;
}
