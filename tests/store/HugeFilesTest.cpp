// Settings files far larger than any the program writes: each is loaded in a
// child process of its own, whose peak memory (VmHWM of /proc/self/status)
// is then compared with the bound, so no other test's memory counts. The
// loads end as they do for any damaged file: the same messages, the same
// defaults.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "StoreFixture.h"
#include "platform/Files.h"
#include "store/ChannelFiles.h"
#include "store/Setup.h"

using namespace vondrel;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr long kPeakBoundKb = 50 * 1024;

long PeakKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Writes `head`, then `piece` until the file holds `bytes`, then `tail`.
void WriteLarge(const std::string& path, const std::string& head, const std::string& piece, size_t bytes,
                const std::string& tail) {
    std::string block;
    while (block.size() < (1u << 20)) block += piece;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    for (size_t written = head.size(); written < bytes; written += block.size()) out << block;
    out << tail;
    ASSERT_TRUE(out.good()) << path;
}

struct ChildReport {
    long peakKb = -1;
    std::string said;  // what the load reported, as `load` describes it
};

// Runs `load` in a child process; returns its peak memory and its report.
ChildReport LoadInChild(const std::function<std::string()>& load) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string said = load();
        const std::string out = std::to_string(PeakKb()) + "\n" + said;
        ssize_t ignored = write(fds[1], out.data(), out.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string in;
    char buf[4096];
    for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) > 0;) in.append(buf, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ChildReport r;
    const size_t nl = in.find('\n');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || nl == std::string::npos) return r;
    r.peakKb = std::stol(in.substr(0, nl));
    r.said = in.substr(nl + 1);
    return r;
}

class HugeFiles : public vondrel::testing::StoreTest {
protected:
    // The boxes shown, one per line.
    std::string Shown() {
        std::string out;
        for (const auto& m : boxes.Shown()) out += m + "\n";
        return out;
    }

    // Loads status.dat over channels all disabled; returns how many it enables.
    static int LoadStatusCountingEnabled() {
        g_status_scratch.fill(7);
        g_channel_enabled.fill(0);
        LoadChannelStatus(1);
        int enabled = 0;
        for (int c = 0; c < kChannels; ++c) enabled += g_channel_enabled[c] == kTrue;
        return enabled;
    }

    void ExpectWithinBound(const ChildReport& r) {
        ASSERT_GT(r.peakKb, 0) << "the child process did not report";
        RecordProperty("peak_kb", std::to_string(r.peakKb));
        if (kAddressSanitizer) {
            std::printf("peak %ld kB under AddressSanitizer, whose shadow memory the bound does not allow for\n", r.peakKb);
            return;
        }
        EXPECT_LT(r.peakKb, kPeakBoundKb);
    }
};

const std::string kDefaultsAtStage4 =
    "Error [/p00001/setup.dat] ID#4 => Loading default values...\n"
    "Warning!! PLEASE Re-Check setup values before RUN\n";

// 300 MB of setup lines: more lines than a setup.dat may have, found after
// 32768 of them.
TEST_F(HugeFiles, SetupDatOf300MegabytesIsRejectedAsTooLong) {
    const std::string folder = UseProject(1);
    WriteLarge(folder + "/setup.dat", "", "\"<Aq_mode>,<Aq_lapse>\"\r\n1,30,99,500,1,30\r\n", 300u << 20, "");
    boxes.AllowAnyMessages();
    ChildReport r = LoadInChild([&] {
        LoadSetup(1);
        return Shown() + g_project_name + "," + std::to_string(g_acq_lapse);
    });
    ExpectWithinBound(r);
    EXPECT_EQ(r.said, kDefaultsAtStage4 + "Default,30");
}

// 100 MB of blank lines as setup.dat (too many lines) and as status.dat (a
// header and nothing after it).
TEST_F(HugeFiles, HundredMegabytesOfBlankLines) {
    const std::string folder = UseProject(1);
    WriteLarge(folder + "/setup.dat", "", "\r\n", 100u << 20, "");
    WriteLarge(folder + "/status.dat", "", "\r\n", 100u << 20, "");
    boxes.AllowAnyMessages();
    ChildReport r = LoadInChild([&] {
        LoadSetup(1);
        const int enabled = LoadStatusCountingEnabled();
        return Shown() + std::to_string(enabled);
    });
    ExpectWithinBound(r);
    EXPECT_EQ(r.said, kDefaultsAtStage4 + "384");
}

// status.dat of one line of 200 MB: a header of 200 MB, then one record on
// the same line.
TEST_F(HugeFiles, StatusDatOfOne200MegabyteLine) {
    const std::string folder = UseProject(1);
    WriteLarge(folder + "/status.dat", "\"<Channel>, <Enabled>", "x", 200u << 20, "\",0,0");
    boxes.AllowAnyMessages();
    ChildReport r = LoadInChild([&] {
        const int enabled = LoadStatusCountingEnabled();
        return Shown() + std::to_string(enabled);
    });
    ExpectWithinBound(r);
    // One record after the header: channel 0 disabled, the others enabled.
    EXPECT_EQ(r.said, "383");
}

}  // namespace
