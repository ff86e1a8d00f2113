#include "platform/host/machine.h"

#include <memory>

namespace host {
namespace {

std::unique_ptr<Image> g_own;
std::unique_ptr<ImageScope> g_ownScope;

}  // namespace

bool OpenMachine(const std::string& dir, std::string* error) {
    CloseMachine();
    g_own = Image::Open(dir, error);
    if (!g_own) return false;
    g_ownScope = std::make_unique<ImageScope>(*g_own);
    return true;
}

void CloseMachine() {
    g_ownScope.reset();
    g_own.reset();
}

bool MachineIsOpen() { return CurrentImage() != nullptr; }

bool MachineValue(const char* section, const char* key, std::string* value) {
    Image* image = CurrentImage();
    return image != nullptr && image->MachineValue(section, key, value);
}

bool MachineHasSection(const char* section) {
    Image* image = CurrentImage();
    return image != nullptr && image->MachineHasSection(section);
}

long MachineAdapterByName(const char* deviceName) {
    Image* image = CurrentImage();
    return image ? image->AdapterByName(deviceName) : -1;
}

DWORD MapPath(const char* winPath, MappedPath* out) {
    *out = MappedPath();
    Image* image = CurrentImage();
    return image ? image->MapPath(winPath, out) : ERROR_PATH_NOT_FOUND;
}

bool IsReadOnly(const MappedPath& path) {
    Image* image = CurrentImage();
    return image != nullptr && image->IsReadOnly(path);
}

bool IsRegistryKeyReadOnly(const std::string& keyPath) {
    Image* image = CurrentImage();
    return image != nullptr && image->IsRegistryKeyReadOnly(keyPath);
}

}  // namespace host
