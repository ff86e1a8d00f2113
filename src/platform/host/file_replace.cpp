// Writing a file's new content piece by piece into a new file beside it, renamed over it
// at the end, so that an interrupted write never loses what was there and a large file
// never has to be held in memory.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/host/file_cache.h"
#include "platform/host/machine.h"

namespace host {

DWORD ReplaceFileFrom(const std::string& hostPath,
                      const std::function<bool(const PutBytes& put, DWORD* error)>& produce) {
    ForgetFolderEntry(hostPath);
    // The new file gets a name of this process and write (a short one, so that it fits
    // wherever the file's own name fits). A file or folder of that name left by an
    // earlier run is never opened or touched: the next number is taken instead.
    static unsigned s_counter = 0;
    std::string dir = hostPath.substr(0, hostPath.rfind('/') + 1);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 1000 && fd < 0; ++attempt) {
        temp = dir + ".facet-" + std::to_string(getpid()) + "-" + std::to_string(++s_counter) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return ErrorFromErrno(errno);
    DWORD err = 0;
    auto put = [&](std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                err = ErrorFromErrno(n < 0 ? errno : ENOSPC);
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    };
    DWORD produceErr = 0;
    bool produced = produce(put, &produceErr);
    if (!produced && err == 0) err = produceErr != 0 ? produceErr : ERROR_ACCESS_DENIED;
    // Both calls are made whatever the first one answers, so the file is never left open.
    if (fsync(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    if (close(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    if (err == 0 && rename(temp.c_str(), hostPath.c_str()) != 0) err = ErrorFromErrno(errno);
    if (err != 0) unlink(temp.c_str());
    return err;
}

}  // namespace host
