// Files and folders of the image's C: drive, with the error codes Windows gives.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/host/machine.h"
#include "platform/win32.h"

namespace {

// Handles carry a tag so that a find handle passed to CloseHandle (or the other way
// round) is refused rather than misread.
enum class HandleKind : uint32_t {
    File = 0x46494c45,
    Find = 0x46494e44
};

struct FileHandle {
    HandleKind kind = HandleKind::File;
    host::Image* image = nullptr;
    host::MappedPath path;
    int fd = -1;  // -1: a file held in memory
    bool append = false;
    bool writes = false;  // opened for reading only: there is nothing to read it with
    uint64_t position = 0;
};

struct FindHandle {
    HandleKind kind = HandleKind::Find;
};

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// A write that the stand-ins refuse is noted in the image's journal with its error.
BOOL FailWrite(host::Image* image, const char* what, DWORD error) {
    if (image && what) image->NoteFailure(what, error);
    return Fail(error);
}

DWORD MissingError(const host::MappedPath& path) {
    return path.parentFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    host::Image* image = host::CurrentImage();
    host::MappedPath path;
    if (DWORD err = host::MapPath(lpPathName, &path)) return FailWrite(image, lpPathName, err);
    if (path.exists) return Fail(ERROR_ALREADY_EXISTS);
    if (!path.parentFolder) return FailWrite(image, lpPathName, ERROR_PATH_NOT_FOUND);
    if (image->IsReadOnly(path)) return FailWrite(image, lpPathName, ERROR_ACCESS_DENIED);
    if (DWORD err = image->MakeFolder(path)) return FailWrite(image, lpPathName, err);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// Exact names only: the engine never searches with wildcards.
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    host::MappedPath path;
    if (DWORD err = host::MapPath(lpFileName, &path)) {
        SetLastError(err);
        return INVALID_HANDLE_VALUE;
    }
    if (!path.exists) {
        SetLastError(MissingError(path));
        return INVALID_HANDLE_VALUE;
    }
    memset(lpFindFileData, 0, sizeof(*lpFindFileData));
    uint64_t size = 0;
    if (!path.folder) host::CurrentImage()->FileSize(path, &size);
    lpFindFileData->dwFileAttributes = path.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    lpFindFileData->nFileSizeLow = static_cast<DWORD>(size);
    lpFindFileData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    std::string name = path.shown.substr(path.shown.rfind('\\') + 1);
    strncpy(lpFindFileData->cFileName, name.c_str(), MAX_PATH - 1);
    SetLastError(ERROR_SUCCESS);
    return new FindHandle();
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    auto* find = static_cast<FindHandle*>(hFindFile);
    if (find == nullptr || hFindFile == INVALID_HANDLE_VALUE || find->kind != HandleKind::Find) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    delete find;
    return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
    host::Image* image = host::CurrentImage();
    host::MappedPath path;
    DWORD err = host::MapPath(lpFileName, &path);
    bool writes = (dwDesiredAccess & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0;
    bool appendOnly = (dwDesiredAccess & FILE_APPEND_DATA) && !(dwDesiredAccess & GENERIC_WRITE);
    if (err == 0 && path.folder) err = ERROR_ACCESS_DENIED;
    if (err == 0 && !path.exists && !path.parentFolder) err = ERROR_PATH_NOT_FOUND;
    if (err == 0) {
        switch (dwCreationDisposition) {
            case CREATE_NEW:
                if (path.exists) err = ERROR_FILE_EXISTS;
                break;
            case OPEN_EXISTING:
                if (!path.exists) err = ERROR_FILE_NOT_FOUND;
                break;
            case CREATE_ALWAYS:
            case OPEN_ALWAYS: break;
            default: err = ERROR_INVALID_PARAMETER;
        }
    }
    bool creates = !path.exists && dwCreationDisposition != OPEN_EXISTING;
    if (err == 0 && (writes || creates || dwCreationDisposition == CREATE_ALWAYS) && image->IsReadOnly(path)) {
        err = ERROR_ACCESS_DENIED;
    }
    // Only regular files are opened as files: a pipe or a device in the image is no file.
    if (err == 0 && path.exists && !path.regular) err = ERROR_ACCESS_DENIED;
    bool changes = writes || creates || dwCreationDisposition == CREATE_ALWAYS;
    int flags = O_WRONLY;
    if (appendOnly) flags |= O_APPEND;
    if (creates) flags |= O_CREAT;
    if (dwCreationDisposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    int fd = -1;
    if (err == 0 && changes) err = image->OpenFile(path, flags, &fd);
    if (err != 0) {
        if (changes) FailWrite(image, lpFileName, err);
        SetLastError(err);
        return INVALID_HANDLE_VALUE;
    }
    bool existed = path.exists;
    SetLastError((existed && (dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS))
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    auto* file = new FileHandle();
    file->image = image;
    file->path = path;
    file->path.exists = true;
    file->path.regular = true;
    file->fd = fd;
    file->append = appendOnly;
    file->writes = changes;
    return file;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      void*) {
    auto* file = static_cast<FileHandle*>(hFile);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    if (file == nullptr || hFile == INVALID_HANDLE_VALUE || file->kind != HandleKind::File) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (!file->writes) return Fail(ERROR_ACCESS_DENIED);
    std::string_view bytes(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite);
    if (DWORD err = file->image->WriteAt(file->path, file->fd, file->append, &file->position, bytes)) {
        return FailWrite(file->image, file->path.shown.c_str(), err);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    auto* file = static_cast<FileHandle*>(hObject);
    if (file == nullptr || hObject == INVALID_HANDLE_VALUE || file->kind != HandleKind::File) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    // Windows reports no write-back failure here; a synced image notes one as a failed write.
    if (DWORD err = file->image->CloseFile(file->fd)) file->image->NoteFailure(file->path.shown, err);
    delete file;
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    host::Image* image = host::CurrentImage();
    host::MappedPath source;
    host::MappedPath dest;
    if (DWORD err = host::MapPath(lpExistingFileName, &source)) return FailWrite(image, lpNewFileName, err);
    if (!source.exists) return FailWrite(image, lpNewFileName, MissingError(source));
    if (!source.regular) return FailWrite(image, lpNewFileName, ERROR_ACCESS_DENIED);
    if (DWORD err = host::MapPath(lpNewFileName, &dest)) return FailWrite(image, lpNewFileName, err);
    if (!dest.exists && !dest.parentFolder) return FailWrite(image, lpNewFileName, ERROR_PATH_NOT_FOUND);
    if (dest.folder) return FailWrite(image, lpNewFileName, ERROR_ACCESS_DENIED);
    if (dest.exists && bFailIfExists) return FailWrite(image, lpNewFileName, ERROR_FILE_EXISTS);
    if (image->IsReadOnly(dest)) return FailWrite(image, lpNewFileName, ERROR_ACCESS_DENIED);
    if (DWORD err = image->CopyFile(source, dest)) return FailWrite(image, lpNewFileName, err);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
