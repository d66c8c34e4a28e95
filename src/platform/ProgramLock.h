// One program per program folder. The program holds an exclusive lock on the
// file vondrel.lock in its program folder for as long as it runs. The kernel
// releases the lock when the process ends, however it ends (kill -9
// included), so a lock is never left behind.
#pragma once

#include <string>

namespace vondrel::platform {

inline constexpr const char* kLockFileName = "vondrel.lock";

class ProgramFolderLock {
public:
    enum class State {
        Held,         // this process holds the lock
        Busy,         // another process held it for the whole wait
        Unavailable,  // no lock file can be opened (missing or unreadable folder)
        Interrupted,  // `wakeFd` became readable during the wait
    };

    // Takes the lock of `folder`, trying again every 100 ms for up to
    // `waitMs` milliseconds (0: one try). The lock file is made when missing
    // and never written. A wait ends early when `wakeFd` (when not -1) has
    // something to read: the pipe of the ending signals.
    ProgramFolderLock(const std::string& folder, int waitMs, int wakeFd = -1);
    // Releases the lock.
    ~ProgramFolderLock();
    ProgramFolderLock(const ProgramFolderLock&) = delete;
    ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

    State state() const { return state_; }

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

// The message of a start refused because the folder is locked.
std::string AlreadyRunningMessage(const std::string& folder);

}  // namespace vondrel::platform
