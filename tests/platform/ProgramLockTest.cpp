// The program folder's lock: one holder at a time, a waiting taker that gets
// it when the holder lets go, nothing made in a folder that is missing, the
// lock file never written, and a lock that a started program does not
// inherit (else the automatic restart's new copy would be shut out by the
// very descriptor it inherited).
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "TempFolder.h"
#include "platform/ProgramLock.h"

extern char** environ;

namespace vondrel::platform {
namespace {

using State = ProgramFolderLock::State;

TEST(ProgramLock, OneHolderAtATime) {
    testing::TempFolder home;
    {
        ProgramFolderLock first(home.Path(), 0);
        ASSERT_EQ(first.state(), State::Held);
        const auto start = std::chrono::steady_clock::now();
        ProgramFolderLock second(home.Path(), 300);
        EXPECT_EQ(second.state(), State::Busy);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));  // it waited
        EXPECT_EQ(ProgramFolderLock(home.Path(), 0).state(), State::Busy);
    }
    EXPECT_EQ(ProgramFolderLock(home.Path(), 0).state(), State::Held);
    EXPECT_TRUE(home.Exists(kLockFileName));
    EXPECT_EQ(home.Read(kLockFileName), "");
    EXPECT_EQ(AlreadyRunningMessage(home.Path()), "Vondrel is already running with the program folder " + home.Path());
}

TEST(ProgramLock, AWaitingTakerGetsTheLockWhenTheHolderLetsGo) {
    testing::TempFolder home;
    auto first = std::make_unique<ProgramFolderLock>(home.Path(), 0);
    ASSERT_EQ(first->state(), State::Held);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        first.reset();
    });
    ProgramFolderLock second(home.Path(), 5000);
    release.join();
    EXPECT_EQ(second.state(), State::Held);
}

TEST(ProgramLock, AMissingFolderIsNotMade) {
    testing::TempFolder home;
    const std::string missing = home / "not-there";
    EXPECT_EQ(ProgramFolderLock(missing, 0).state(), State::Unavailable);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ProgramLock, AStartedProgramDoesNotInheritIt) {
    testing::TempFolder home;
    auto lock = std::make_unique<ProgramFolderLock>(home.Path(), 0);
    ASSERT_EQ(lock->state(), State::Held);
    pid_t child = -1;
    char sleep[] = "/bin/sleep", seconds[] = "3";
    char* argv[] = {sleep, seconds, nullptr};
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ), 0);
    lock.reset();
    // The child still runs; the lock is free all the same.
    EXPECT_EQ(ProgramFolderLock(home.Path(), 0).state(), State::Held);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace vondrel::platform
