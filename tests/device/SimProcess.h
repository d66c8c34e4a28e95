// Starts the simulated instrument for a test: the real vondrel-sim program on
// a real pseudo-terminal, linked as <folder>/ports/COM<n>, with a control
// socket and a frame log in the same folder. The destructor stops it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vondrel::testing {

// The simulator run to its end with `args` (a client or a refused start):
// its exit status and what it printed.
struct SimRun {
    int status = -1;
    std::string out, err;
};
SimRun RunSimulator(const std::vector<std::string>& args);

class SimProcess {
public:
    // `folder` is the program folder (its ports folder is made when
    // missing); extra arguments go to the simulator.
    SimProcess(const std::string& folder, int comPort, std::vector<std::string> extraArgs = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Ends the simulator at once with SIGKILL, as a crash or a pulled plug
    // would: nothing of its own is cleaned up (the link stays behind).
    void Kill();

    // Sends one control command and returns the answer line ("ok ...").
    std::string Command(const std::string& line);
    // Shorthand for Command("set KEY VALUE"), failing the test unless "ok".
    void Set(const std::string& key, const std::string& value);

    // Frames received since the last MarkLog(), as "FF 00 10 05 F0".
    std::vector<std::string> FramesSinceMark();
    void MarkLog();
    // The size in bytes of each reply sent to the frames received since the
    // last MarkLog() (0 for a frame left unanswered), once `frames` frames
    // are in the log. Only a simulator stuck for a minute fails the test.
    std::vector<size_t> ReplySizesSinceMark(size_t frames);

    const std::string& LinkPath() const { return link_; }
    const std::string& SlavePath() const { return slave_; }

private:
    pid_t pid_ = -1;
    int out_fd_ = -1;
    int control_fd_ = -1;
    std::string link_, control_, log_, slave_;
    size_t log_mark_ = 0;
};

}  // namespace vondrel::testing
