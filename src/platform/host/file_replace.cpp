// Writing a file's new content piece by piece into a new file beside it, renamed over it
// at the end, so that an interrupted write never loses what was there and a large file
// never has to be held in memory.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host/file_cache.h"
#include "platform/host/machine.h"

namespace host {

DWORD ReplaceFileFrom(const std::string& hostPath,
                      const std::function<bool(const PutBytes& put, DWORD* error)>& produce) {
    ForgetFolderEntry(hostPath);
    std::string temp = hostPath + ".facet-new";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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
    if (err == 0 && fsync(fd) != 0) err = ErrorFromErrno(errno);
    if (close(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    if (err == 0 && rename(temp.c_str(), hostPath.c_str()) != 0) err = ErrorFromErrno(errno);
    if (err != 0) unlink(temp.c_str());
    return err;
}

}  // namespace host
