#include "platform/ProgramLock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>

#include "platform/Files.h"

namespace vondrel::platform {

namespace {
// The descriptor must not reach a program this one starts (the automatic
// restart): an inherited descriptor would keep the lock while the child lives
// and shut the child itself out.
int OpenLockFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A lock on a read-only descriptor works as well, for a folder this user
    // may read but not write.
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd;
}
}  // namespace

ProgramFolderLock::ProgramFolderLock(const std::string& folder, int waitMs, int wakeFd) {
    fd_ = OpenLockFile(JoinPath(folder, kLockFileName));
    if (fd_ < 0) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    int err = 0;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            state_ = State::Held;
            return;
        }
        err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK) break;
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        pollfd wake{wakeFd, POLLIN, 0};
        if (::poll(&wake, 1, static_cast<int>(std::min<long long>(100, left + 1))) > 0) {
            state_ = State::Interrupted;
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
    state_ = err == EWOULDBLOCK ? State::Busy : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

ProgramFolderLock::~ProgramFolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string AlreadyRunningMessage(const std::string& folder) {
    return "Vondrel is already running with the program folder " + folder;
}

}  // namespace vondrel::platform
