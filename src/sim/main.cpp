// vondrel-sim: the simulated instrument. It opens a pseudo-terminal, links
// it where the program looks for a COM port (--link <folder>/ports/COM4),
// prints a ready line and answers the program's frames until it is stopped
// (SIGTERM, SIGINT, or "quit" on the control socket).
//
// Run-time control: with --control PATH it listens on a UNIX stream socket;
// each line is one command and gets one line back ("ok ..." or "error ...").
// See Usage() for the commands. "vondrel-sim --control PATH --send LINE"
// is the client: it sends the line to a running simulator, prints the answer
// and exits (0 for "ok ...", 1 for "error ...", 2 when it cannot ask).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sim/Instrument.h"

using namespace vondrel;
using namespace vondrel::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const char* Usage() {
    return "usage: vondrel-sim --link PATH [options]\n"
           "       vondrel-sim --control PATH --send LINE [--send LINE ...]\n"
           "  --link PATH          make PATH a symlink to the pseudo-terminal (e.g. <folder>/ports/COM4);\n"
           "                       its folder must exist\n"
           "  --control PATH       UNIX socket for run-time commands\n"
           "  --log PATH           log every frame received (- for standard error)\n"
           "  --id N               identification number (default 42; valid 10..250)\n"
           "  --stations DIGITS    stations present, e.g. 13 (default 1234)\n"
           "  --station N=KIND     station 1..4 or all: ok, silent, short, garbage, parity[:RATE];\n"
           "                       on every block reply (in a 192-byte block a broken word has a high byte above 15)\n"
           "  --mode MODE          0x30 replies: word192, parity48 or auto (default auto)\n"
           "  --silent             answer nothing\n"
           "  --short              cut every reply to its first half\n"
           "  --wrong-echo P       probability of a wrong register echo\n"
           "  --activity P         probability per well and sample that an organism moves (default 0.01)\n"
           "  --noise N            noise in counts (default 3)\n"
           "  --seed N             seed of the signal model (default 1)\n"
           "  --channel CH=F       scale one channel's level (0 = dead)\n"
           "  --ambient C          ambient temperature (default 22)\n"
           "  --cal-ms MS          length of the calibration progress stream (default 1500)\n"
           "  --time-scale S       shrink the simulator's delays (default $VONDREL_TIME_SCALE or 1)\n"
           "  --unplug-after N     unplug after N frames\n"
           "  --send LINE          send LINE to the simulator listening on --control, print the answer, exit\n"
           "device-operation switches (as options or with set):\n"
           "  --factory B0,..,B7   the factory calibration record (bytes 0..255)\n"
           "  --cal-stop V         the calibration progress stream ends at V without 191 (-1 off)\n"
           "  --mute-read R        register reads (0x20) of R go unanswered (-1 off)\n"
           "  --flaky-read R       successive reads of register R never agree (-1 off)\n"
           "  --no-echo ch:N|reg:N|off  a channel's or factory register's writes are never echoed\n"
           "  --raw-temperature T  temperature queries answer raw T (0..255), none or model\n"
           "  --setting CH=B|all=B set channel settings (gain * 32 + power)\n"
           "  --cut-block K:LEN|off  the K-th 0x30 reply from now (0 = next) cut to LEN bytes\n"
           "  --mute-trial once|always|off  trial settings (0x11) left unanswered\n"
           "  --no-echo-register S:R|off  writes of station S's register R are never echoed\n"
           "  --echo-ninth S:R|off  writes of station S's register R are echoed only at every ninth\n"
           "  --cal-stream B1,B2,..|off  the calibration progress bytes, then silence\n"
           "  --spoil-block K:parity|K:high|off  the K-th 0x30 reply from now gets a wrong parity bit\n"
           "                       or high byte 0x1F in its first word\n"
           "control commands: ping | set KEY VALUE (keys as the options above) | get frames|setting CH|\n"
           "  register S R|level S CH|factory|temperature|actuator|mode|settings | unplug | replug | quit\n";
}

double NowMs() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

class Server {
public:
    Server(Instrument& inst, std::string link, std::string control, std::string log, long unplugAfter)
        : inst_(inst), link_(std::move(link)), control_(std::move(control)), unplug_after_(unplugAfter) {
        if (log == "-") log_ = stderr;
        else if (!log.empty()) {
            log_ = std::fopen(log.c_str(), "a");
            if (!log_) std::fprintf(stderr, "vondrel-sim: cannot open log %s: %s\n", log.c_str(), std::strerror(errno));
        }
    }
    ~Server() {
        Unplug();
        if (listen_fd_ >= 0) {
            close(listen_fd_);
            unlink(control_.c_str());
        }
        for (int c : clients_) close(c);
        if (log_ && log_ != stderr) std::fclose(log_);
    }

    bool Start() {
        if (!Plug()) return false;
        if (!control_.empty() && !Listen()) return false;
        std::printf("vondrel-sim ready: %s -> %s\n", link_.c_str(), slave_name_.c_str());
        std::fflush(stdout);
        return true;
    }

    void Run() {
        while (!g_stop && !quit_) {
            std::vector<pollfd> fds;
            const bool listening = master_ >= 0 && unplug_at_ms_ < 0;
            if (listening) fds.push_back({master_, POLLIN, 0});
            const size_t ctlStart = fds.size();
            if (listen_fd_ >= 0) fds.push_back({listen_fd_, POLLIN, 0});
            for (int c : clients_) fds.push_back({c, POLLIN, 0});
            int timeout = 200;
            if (!stream_.empty()) timeout = std::max(0, static_cast<int>(next_stream_ms_ - NowMs()));
            if (unplug_at_ms_ >= 0) timeout = std::max(0, std::min(timeout, static_cast<int>(unplug_at_ms_ - NowMs()) + 1));
            const int pr = poll(fds.data(), fds.size(), timeout);
            if (pr < 0 && errno != EINTR) break;
            if (unplug_at_ms_ >= 0 && NowMs() >= unplug_at_ms_) {
                unplug_at_ms_ = -1;
                Unplug();
                continue;
            }
            if (listening && pr > 0 && (fds[0].revents & POLLIN)) ReadMaster();
            if (!stream_.empty() && NowMs() >= next_stream_ms_) SendStreamByte();
            if (pr > 0) {
                std::vector<int> gone;
                for (size_t i = ctlStart; i < fds.size(); ++i) {
                    if (!fds[i].revents) continue;
                    if (fds[i].fd == listen_fd_) Accept();
                    else if (!ReadClient(fds[i].fd)) gone.push_back(fds[i].fd);
                }
                for (int g : gone) {
                    close(g);
                    std::erase(clients_, g);
                    buffers_.erase(g);
                }
            }
        }
    }

private:
    bool Plug() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            std::fprintf(stderr, "vondrel-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
            return false;
        }
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        slave_name_ = ptsname(master_);
        // Keep a slave descriptor of our own: the program may close and
        // reopen its port at any time without the master seeing a hang-up.
        slave_ = open(slave_name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            std::fprintf(stderr, "vondrel-sim: cannot open %s: %s\n", slave_name_.c_str(), std::strerror(errno));
            return false;
        }
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        std::error_code ec;
        std::filesystem::remove(link_, ec);
        if (symlink(slave_name_.c_str(), link_.c_str()) != 0) {
            std::fprintf(stderr, "vondrel-sim: cannot link %s: %s\n", link_.c_str(), std::strerror(errno));
            return false;
        }
        parser_.Clear();
        return true;
    }

    void Unplug() {
        stream_.clear();
        if (master_ < 0) return;
        // Remove the link only while it still points at our terminal.
        std::error_code ec;
        if (std::filesystem::read_symlink(link_, ec).string() == slave_name_) std::filesystem::remove(link_, ec);
        close(slave_);
        close(master_);
        slave_ = master_ = -1;
        Log("unplugged");
    }

    bool Listen() {
        listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (control_.size() >= sizeof addr.sun_path) {
            std::fprintf(stderr, "vondrel-sim: control path too long\n");
            return false;
        }
        std::strcpy(addr.sun_path, control_.c_str());
        unlink(control_.c_str());
        if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listen_fd_, 4) != 0) {
            std::fprintf(stderr, "vondrel-sim: cannot listen on %s: %s\n", control_.c_str(), std::strerror(errno));
            return false;
        }
        return true;
    }

    void Log(const std::string& line) {
        if (!log_) return;
        std::fprintf(log_, "%10.1f %s\n", NowMs(), line.c_str());
        std::fflush(log_);
    }

    void Write(const std::string& bytes) {
        size_t done = 0;
        const double until = NowMs() + 200;
        while (done < bytes.size() && master_ >= 0) {
            const ssize_t w = write(master_, bytes.data() + done, bytes.size() - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) break;
            if (NowMs() > until) break;  // nobody reads; drop the rest
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 5);
        }
    }

    void ReadMaster() {
        if (unplug_at_ms_ >= 0) return;
        char buf[4096];
        for (;;) {
            const ssize_t r = read(master_, buf, sizeof buf);
            if (r <= 0) break;
            parser_.Feed(std::string_view(buf, static_cast<size_t>(r)));
        }
        const uint64_t droppedBefore = dropped_;
        while (auto f = parser_.Next()) {
            ++frames_;
            // A new request ends any progress stream still running, so no
            // stale byte can be taken as the next reply.
            stream_.clear();
            auto reply = inst_.Handle(*f, NowMs());
            Log("RX " + Instrument::Describe(*f) + (reply ? " -> " + std::to_string(reply->bytes.size()) + " bytes" +
                                                                 (reply->stream.empty() ? "" : " + stream of " + std::to_string(reply->stream.size()))
                                                           : " -> no reply"));
            if (reply) {
                Write(reply->bytes);
                if (!reply->stream.empty()) {
                    stream_.assign(reply->stream.begin(), reply->stream.end());
                    stream_gap_ms_ = reply->streamGapMs;
                    next_stream_ms_ = NowMs() + stream_gap_ms_;
                }
            }
            if (unplug_after_ > 0 && frames_ >= static_cast<uint64_t>(unplug_after_)) {
                // Let the last reply reach the program, then pull the plug;
                // nothing more is read until then.
                unplug_after_ = 0;
                unplug_at_ms_ = NowMs() + 20;
                return;
            }
        }
        dropped_ = parser_.DroppedBytes();
        if (dropped_ != droppedBefore) Log("dropped " + std::to_string(dropped_ - droppedBefore) + " bytes outside frames");
    }

    void SendStreamByte() {
        const uint8_t b = stream_.front();
        stream_.erase(stream_.begin());
        Write(std::string(1, static_cast<char>(b)));
        next_stream_ms_ = NowMs() + stream_gap_ms_;
    }

    void Accept() {
        const int c = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) clients_.push_back(c);
    }

    bool ReadClient(int fd) {
        char buf[1024];
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0) return false;
        std::string& b = buffers_[fd];
        b.append(buf, static_cast<size_t>(r));
        size_t nl;
        while ((nl = b.find('\n')) != std::string::npos) {
            std::string line = b.substr(0, nl);
            b.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string answer = Command(line) + "\n";
            if (send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0) return false;
        }
        return true;
    }

    std::string Command(const std::string& line) {
        std::vector<std::string> w;
        size_t pos = 0;
        while (pos < line.size()) {
            while (pos < line.size() && line[pos] == ' ') ++pos;
            if (pos >= line.size()) break;
            size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            w.push_back(line.substr(pos, end - pos));
            pos = end;
        }
        if (w.empty()) return "error empty command";
        // Frames already on their way are handled before the command, so a
        // reply to "get frames" or a changed setting follows the program's
        // requests in order.
        if (master_ >= 0) ReadMaster();
        const std::string& cmd = w[0];
        if (cmd == "ping") return "ok";
        if (cmd == "quit") {
            quit_ = true;
            return "ok";
        }
        if (cmd == "unplug") {
            Unplug();
            return "ok";
        }
        if (cmd == "replug") {
            if (master_ >= 0) return "error already plugged";
            return Plug() ? "ok " + slave_name_ : "error cannot plug";
        }
        if (cmd == "set" && w.size() == 3) {
            const std::string err = inst_.Apply(w[1], w[2]);
            Log("set " + w[1] + " " + w[2]);
            return err.empty() ? "ok" : "error " + err;
        }
        if (cmd == "get" && w.size() >= 2) {
            const std::string& what = w[1];
            if (what == "frames") return "ok " + std::to_string(frames_);
            if (what == "mode") return std::string("ok ") + BlockModeName(inst_.settings().mode);
            if (what == "actuator") return "ok " + std::to_string(inst_.Actuator());
            if (what == "temperature") {
                char b[32];
                std::snprintf(b, sizeof b, "ok %.2f", inst_.Temperature(NowMs()));
                return b;
            }
            if (what == "factory") return "ok " + Hex(std::string(inst_.Factory().begin(), inst_.Factory().end()));
            if (what == "settings") {
                std::string all = "ok";
                for (int ch = 0; ch < kChannels; ++ch) all += " " + std::to_string(inst_.Setting(ch));
                return all;
            }
            if (what == "register" && w.size() == 4) {
                const int st = std::atoi(w[2].c_str()), reg = std::atoi(w[3].c_str());
                if (st < 1 || st > kStations || reg < 0 || reg >= kRegisters) return "error station 1..4, register 0..255";
                return "ok " + std::to_string(inst_.Register(st - 1, reg));
            }
            if (what == "level" && w.size() == 4) {
                // A channel's level in station S's own blocks, without noise or activity.
                const int st = std::atoi(w[2].c_str()), ch = std::atoi(w[3].c_str());
                if (st < 1 || st > kStations || ch < 0 || ch >= kChannels) return "error station 1..4, channel 0..383";
                return "ok " + std::to_string(inst_.StationModelLevel(st - 1, ch));
            }
            if (what == "setting" && w.size() == 3) {
                const int ch = std::atoi(w[2].c_str());
                if (ch < 0 || ch >= kChannels) return "error channel 0..383";
                return "ok " + std::to_string(inst_.Setting(ch));
            }
            return "error unknown get " + what;
        }
        return "error unknown command " + cmd;
    }

    Instrument& inst_;
    std::string link_, control_;
    long unplug_after_;
    FILE* log_ = nullptr;
    int master_ = -1, slave_ = -1, listen_fd_ = -1;
    std::string slave_name_;
    FrameParser parser_;
    uint64_t frames_ = 0, dropped_ = 0;
    std::vector<uint8_t> stream_;
    double stream_gap_ms_ = 0, next_stream_ms_ = 0;
    double unplug_at_ms_ = -1;
    std::vector<int> clients_;
    std::map<int, std::string> buffers_;
    bool quit_ = false;
};

}  // namespace

// The client: each line to the simulator listening on `control`, each
// answer printed. 0 when every answer is "ok ...", 1 when one is an error, 2
// when the simulator cannot be reached or does not answer.
int SendCommands(const std::string& control, const std::vector<std::string>& lines) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd < 0 || control.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "vondrel-sim: cannot use the control socket %s\n", control.c_str());
        if (fd >= 0) close(fd);
        return 2;
    }
    std::strcpy(addr.sun_path, control.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "vondrel-sim: no simulator answers on %s: %s\n", control.c_str(), std::strerror(errno));
        close(fd);
        return 2;
    }
    int result = 0;
    std::string pending;
    for (const std::string& line : lines) {
        const std::string msg = line + "\n";
        if (send(fd, msg.data(), msg.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(msg.size())) {
            std::fprintf(stderr, "vondrel-sim: cannot send to %s: %s\n", control.c_str(), std::strerror(errno));
            close(fd);
            return 2;
        }
        // One answer line per command; a simulator that says nothing for
        // five seconds is not waited for any longer.
        size_t nl;
        while ((nl = pending.find('\n')) == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            char buf[512];
            ssize_t r = 0;
            if (poll(&p, 1, 5000) <= 0 || (r = read(fd, buf, sizeof buf)) <= 0) {
                std::fprintf(stderr, "vondrel-sim: no answer from %s\n", control.c_str());
                close(fd);
                return 2;
            }
            pending.append(buf, static_cast<size_t>(r));
        }
        const std::string answer = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        std::printf("%s\n", answer.c_str());
        if (answer.rfind("ok", 0) != 0) result = 1;
    }
    close(fd);
    return result;
}

int main(int argc, char** argv) {
    Settings s;
    if (const char* ts = std::getenv("VONDREL_TIME_SCALE")) {
        const double v = std::strtod(ts, nullptr);
        if (v > 0) s.timeScale = v;
    }
    Instrument inst(s);
    std::string link, control, log;
    std::vector<std::string> sends;
    long unplugAfter = 0;
    std::vector<std::pair<std::string, std::string>> later;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(Usage(), stdout);
            return 0;
        }
        if (a.rfind("--", 0) != 0) {
            std::fprintf(stderr, "vondrel-sim: unexpected argument %s\n%s", a.c_str(), Usage());
            return 2;
        }
        a.erase(0, 2);
        static const char* const kKeys[] = {"link", "control", "log", "unplug-after", "id", "stations", "station",
                                            "mode", "silent", "short", "wrong-echo", "activity", "noise", "seed",
                                            "channel", "ambient", "temperature", "cal-ms", "time-scale", "send",
                                            // device-operation switches
                                            "factory", "cal-stop", "mute-read", "flaky-read", "no-echo",
                                            "raw-temperature", "setting", "cut-block", "mute-trial", "no-echo-register",
                                            "echo-ninth", "cal-stream", "spoil-block"};
        const std::string key = a.substr(0, a.find('='));
        if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
            std::fprintf(stderr, "vondrel-sim: unknown option --%s\n%s", key.c_str(), Usage());
            return 2;
        }
        std::string value;
        const size_t eq = a.find('=');
        if (a == "silent" || a == "short") {
            value = "1";
        } else if (eq != std::string::npos && a.substr(0, eq) != "station" && a.substr(0, eq) != "channel" &&
                   a.substr(0, eq) != "setting") {
            value = a.substr(eq + 1);
            a.resize(eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            std::fprintf(stderr, "vondrel-sim: --%s needs a value\n%s", a.c_str(), Usage());
            return 2;
        }
        if (a == "link") link = value;
        else if (a == "control") control = value;
        else if (a == "log") log = value;
        else if (a == "unplug-after") unplugAfter = std::atol(value.c_str());
        else if (a == "send") sends.push_back(value);
        else later.emplace_back(a, value);
    }
    if (!sends.empty()) {
        if (control.empty() || !link.empty() || !log.empty() || unplugAfter != 0 || !later.empty()) {
            std::fprintf(stderr, "vondrel-sim: --send takes --control PATH and nothing else\n%s", Usage());
            return 2;
        }
        return SendCommands(control, sends);
    }
    if (link.empty()) {
        std::fprintf(stderr, "vondrel-sim: --link is required\n%s", Usage());
        return 2;
    }
    // The link goes into a folder that is there: a folder name that came out
    // wrong (an unset variable in "$VONDREL_HOME/ports/COM4") must not make
    // the simulator create ports somewhere else.
    {
        const std::filesystem::path folder = std::filesystem::path(link).parent_path();
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
            std::fprintf(stderr, "vondrel-sim: the folder of --link %s does not exist: %s\n", link.c_str(),
                         folder.c_str());
            return 2;
        }
    }
    // The seed first, so the model it builds keeps the other settings.
    for (auto& [k, v] : later)
        if (k == "seed") {
            const std::string err = inst.Apply(k, v);
            if (!err.empty()) return std::fprintf(stderr, "vondrel-sim: %s\n", err.c_str()), 2;
        }
    for (auto& [k, v] : later) {
        if (k == "seed") continue;
        const std::string err = inst.Apply(k, v);
        if (!err.empty()) {
            std::fprintf(stderr, "vondrel-sim: %s\n%s", err.c_str(), Usage());
            return 2;
        }
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Server server(inst, link, control, log, unplugAfter);
    if (!server.Start()) return 1;
    server.Run();
    return 0;
}
