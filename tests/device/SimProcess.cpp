#include "SimProcess.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef VONDREL_SIM_PATH
#error "VONDREL_SIM_PATH must name the simulator binary"
#endif

namespace vondrel::testing {

namespace {
// How long the simulator may take to start or to answer a control command
// before the test counts it as stuck: a busy machine can hold it up for
// seconds.
constexpr int kStuckMs = 60000;

std::string ReadLineFrom(int fd, int timeoutMs) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        char c;
        const ssize_t r = read(fd, &c, 1);
        if (r <= 0) break;
        if (c == '\n') return line;
        line += c;
    }
    return line;
}

std::string ReadAll(int fd) {
    std::string all;
    char buf[4096];
    ssize_t r;
    while ((r = read(fd, buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(r));
    return all;
}
}  // namespace

SimRun RunSimulator(const std::vector<std::string>& args) {
    // Output goes to files, so neither stream can fill up and block the other.
    char outName[] = "/tmp/vondrel-sim-outXXXXXX", errName[] = "/tmp/vondrel-sim-errXXXXXX";
    const int out = mkstemp(outName), err = mkstemp(errName);
    unlink(outName);
    unlink(errName);
    SimRun run;
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<std::string> all = {VONDREL_SIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    lseek(out, 0, SEEK_SET);
    lseek(err, 0, SEEK_SET);
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    close(out);
    close(err);
    return run;
}

SimProcess::SimProcess(const std::string& folder, int comPort, std::vector<std::string> extraArgs) {
    link_ = folder + "/ports/COM" + std::to_string(comPort);
    control_ = folder + "/sim" + std::to_string(comPort) + ".ctl";
    log_ = folder + "/sim" + std::to_string(comPort) + ".log";
    std::filesystem::create_directories(folder + "/ports");
    // The simulator's own delays at full length unless a test asks otherwise,
    // whatever VONDREL_TIME_SCALE the environment holds.
    std::vector<std::string> args = {VONDREL_SIM_PATH, "--link", link_, "--control", control_,
                                     "--log", log_, "--time-scale", "1"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());

    int pipefd[2];
    if (pipe(pipefd) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(pipefd[1], STDOUT_FILENO);
        close(pipefd[0]);
        close(pipefd[1]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    out_fd_ = pipefd[0];
    const std::string ready = ReadLineFrom(out_fd_, kStuckMs);
    if (ready.rfind("vondrel-sim ready:", 0) != 0) throw std::runtime_error("simulator did not start: " + ready);
    slave_ = ready.substr(ready.rfind(' ') + 1);

    control_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, control_.c_str(), sizeof addr.sun_path - 1);
    if (connect(control_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot reach the simulator's control socket");
}

SimProcess::~SimProcess() {
    if (control_fd_ >= 0) close(control_fd_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (out_fd_ >= 0) close(out_fd_);
}

void SimProcess::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (control_fd_ >= 0) close(control_fd_);
    control_fd_ = -1;
}

std::string SimProcess::Command(const std::string& line) {
    const std::string msg = line + "\n";
    if (send(control_fd_, msg.data(), msg.size(), MSG_NOSIGNAL) < 0) return "error send";
    return ReadLineFrom(control_fd_, kStuckMs);
}

void SimProcess::Set(const std::string& key, const std::string& value) {
    ASSERT_EQ(Command("set " + key + " " + value), "ok") << key << " " << value;
}

void SimProcess::MarkLog() {
    Command("ping");  // frames already sent are logged before the answer
    std::ifstream in(log_, std::ios::binary | std::ios::ate);
    log_mark_ = in ? static_cast<size_t>(in.tellg()) : 0;
}

std::vector<std::string> SimProcess::FramesSinceMark() {
    Command("ping");
    std::ifstream in(log_, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> frames;
    std::istringstream lines(all.substr(std::min(log_mark_, all.size())));
    std::string l;
    while (std::getline(lines, l)) {
        const size_t rx = l.find("RX ");
        if (rx != std::string::npos) frames.push_back(l.substr(rx + 3, 14));
    }
    return frames;
}

}  // namespace vondrel::testing

namespace vondrel::testing {

std::vector<size_t> SimProcess::ReplySizesSinceMark(size_t frames) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStuckMs);
    std::vector<size_t> sizes;
    for (;;) {
        sizes.clear();
        std::ifstream in(log_, std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream lines(all.substr(std::min(log_mark_, all.size())));
        for (std::string l; std::getline(lines, l);) {
            if (l.find("RX ") == std::string::npos) continue;
            const size_t arrow = l.find(" -> ");
            // A line still being written counts once it is whole.
            if (arrow == std::string::npos || lines.eof()) break;
            const std::string what = l.substr(arrow + 4);
            sizes.push_back(what.rfind("no reply", 0) == 0 ? 0 : std::stoul(what));
        }
        if (sizes.size() >= frames) return sizes;
        if (std::chrono::steady_clock::now() > until) {
            ADD_FAILURE() << "the simulator logged " << sizes.size() << " of " << frames << " frames";
            return sizes;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace vondrel::testing
