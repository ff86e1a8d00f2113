// GlobalAlloc and friends, and LocalFree, as far as the engine uses them: a movable
// block is a handle that GlobalLock turns into its memory.
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace {
struct GlobalBlock {
    uint32_t magic;
    void* memory;
    int locks;
};
constexpr uint32_t kBlockMagic = 0x474C4F42;
}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    void* memory = (uFlags & GMEM_ZEROINIT) ? calloc(dwBytes ? dwBytes : 1, 1) : malloc(dwBytes ? dwBytes : 1);
    if (memory == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return new GlobalBlock{kBlockMagic, memory, 0};
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    auto* block = static_cast<GlobalBlock*>(hMem);
    if (block == nullptr || block->magic != kBlockMagic) return nullptr;
    ++block->locks;
    return block->memory;
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    auto* block = static_cast<GlobalBlock*>(hMem);
    if (block == nullptr || block->magic != kBlockMagic || block->locks == 0) return FALSE;
    return --block->locks != 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    auto* block = static_cast<GlobalBlock*>(hMem);
    if (block == nullptr || block->magic != kBlockMagic) return hMem;
    block->magic = 0;
    free(block->memory);
    delete block;
    return nullptr;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    free(hMem);
    return nullptr;
}
