// Files and folders of the image's C: drive, with the error codes Windows gives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/host/file_cache.h"
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
    int fd = -1;
    std::string host;  // so that what is cached of the file is dropped when it is written
};

struct FindHandle {
    HandleKind kind = HandleKind::Find;
};

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    host::MappedPath path;
    if (DWORD err = host::MapPath(lpPathName, &path)) return Fail(err);
    if (path.exists) return Fail(ERROR_ALREADY_EXISTS);
    if (!host::HostParentIsDirectory(path.host)) return Fail(ERROR_PATH_NOT_FOUND);
    if (host::IsReadOnly(path)) return Fail(ERROR_ACCESS_DENIED);
    host::ForgetFolderEntry(path.host);
    if (mkdir(path.host.c_str(), 0777) != 0) return Fail(host::ErrorFromErrno(errno));
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
        SetLastError(host::HostParentIsDirectory(path.host) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    memset(lpFindFileData, 0, sizeof(*lpFindFileData));
    struct stat st;
    if (stat(path.host.c_str(), &st) == 0) {
        lpFindFileData->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        lpFindFileData->nFileSizeLow = static_cast<DWORD>(st.st_size);
        lpFindFileData->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    }
    std::string name = path.host.substr(path.host.rfind('/') + 1);
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
    host::MappedPath path;
    DWORD err = host::MapPath(lpFileName, &path);
    bool writes = (dwDesiredAccess & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0;
    bool appendOnly = (dwDesiredAccess & FILE_APPEND_DATA) && !(dwDesiredAccess & GENERIC_WRITE);
    if (err == 0 && path.exists && host::HostIsDirectory(path.host)) err = ERROR_ACCESS_DENIED;
    if (err == 0 && !path.exists && !host::HostParentIsDirectory(path.host)) err = ERROR_PATH_NOT_FOUND;
    if (err == 0) {
        switch (dwCreationDisposition) {
            case CREATE_NEW:
                if (path.exists) err = ERROR_FILE_EXISTS;
                break;
            case OPEN_EXISTING:
                if (!path.exists) err = ERROR_FILE_NOT_FOUND;
                break;
            case CREATE_ALWAYS:
            case OPEN_ALWAYS:
                break;
            default:
                err = ERROR_INVALID_PARAMETER;
        }
    }
    bool creates = !path.exists && dwCreationDisposition != OPEN_EXISTING;
    if (err == 0 && (writes || creates || dwCreationDisposition == CREATE_ALWAYS) && host::IsReadOnly(path)) {
        err = ERROR_ACCESS_DENIED;
    }
    if (err != 0) {
        SetLastError(err);
        return INVALID_HANDLE_VALUE;
    }

    int flags = writes ? ((dwDesiredAccess & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (appendOnly) flags |= O_APPEND;
    if (creates) flags |= O_CREAT;
    if (dwCreationDisposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    if (creates) host::ForgetFolderEntry(path.host);
    if (writes || dwCreationDisposition == CREATE_ALWAYS) host::ForgetFileContent(path.host);
    int fd = open(path.host.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(host::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    bool existed = path.exists;
    SetLastError((existed && (dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS))
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    auto* file = new FileHandle();
    file->fd = fd;
    if (writes) file->host = path.host;
    return file;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      void*) {
    auto* file = static_cast<FileHandle*>(hFile);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    if (file == nullptr || hFile == INVALID_HANDLE_VALUE || file->kind != HandleKind::File) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    host::ForgetFileContent(file->host);
    const char* p = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = write(file->fd, p + done, nNumberOfBytesToWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            return Fail(host::ErrorFromErrno(errno));
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    auto* file = static_cast<FileHandle*>(hObject);
    if (file == nullptr || hObject == INVALID_HANDLE_VALUE || file->kind != HandleKind::File) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    close(file->fd);
    delete file;
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    host::MappedPath source;
    host::MappedPath dest;
    if (DWORD err = host::MapPath(lpExistingFileName, &source)) return Fail(err);
    if (!source.exists) {
        return Fail(host::HostParentIsDirectory(source.host) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    if (host::HostIsDirectory(source.host)) return Fail(ERROR_ACCESS_DENIED);
    if (DWORD err = host::MapPath(lpNewFileName, &dest)) return Fail(err);
    if (!dest.exists && !host::HostParentIsDirectory(dest.host)) return Fail(ERROR_PATH_NOT_FOUND);
    if (dest.exists && host::HostIsDirectory(dest.host)) return Fail(ERROR_ACCESS_DENIED);
    if (dest.exists && bFailIfExists) return Fail(ERROR_FILE_EXISTS);
    if (host::IsReadOnly(dest)) return Fail(ERROR_ACCESS_DENIED);
    int in = open(source.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(ERROR_ACCESS_DENIED);
    // Streamed in pieces of 1 MiB, so that a large wallpaper is never held whole.
    DWORD err = host::ReplaceFileFrom(dest.host, [in](const host::PutBytes& put, DWORD* error) {
        std::string chunk(1u << 20, '\0');
        for (;;) {
            ssize_t n = read(in, &chunk[0], chunk.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *error = ERROR_ACCESS_DENIED;
                return false;
            }
            if (n == 0) return true;
            if (!put(std::string_view(chunk.data(), static_cast<size_t>(n)))) return false;
        }
    });
    close(in);
    if (err != 0) return Fail(err);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
