// The serial port layer against the simulated instrument on a pseudo-terminal.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "LinkFixture.h"

using namespace vondrel;
using namespace vondrel::testing;

namespace {
const std::string kIdFrame = Bytes({0xFF, 0x03, 0x00, 0x00, 0xF0});
}

TEST_F(LinkTest, NonexistentPortGivesTheSystemErrorAndStaysClosed) {
    EXPECT_EQ(ComDevicePath("COM4"), "/dev/ttyUSB3");
    for (int attempt = 0; attempt < 2; ++attempt) {  // the second open fails the same way, not "Port in use."
        EXPECT_EQ(CommOpen(4, "COM4", Settings()), ENOENT);
        EXPECT_EQ(g_comm_error_source, "CommOpen (CreateFile)");
        EXPECT_EQ(g_comm_error_text, std::strerror(ENOENT));
        EXPECT_EQ(g_comm_port_record[3].open, 0);
    }
    EXPECT_EQ(CommOpen(0, "COM0", Settings()), EINVAL);
    EXPECT_EQ(g_comm_error_source, "CommOpen");
}

TEST_F(LinkTest, PortInUseByThisTableAndByAnotherOpener) {
    SimProcess sim(folder_.Path(), 4);
    EXPECT_EQ(ComDevicePath("COM4"), folder_.Path() + "/ports/COM4");
    OpenCom4();
    EXPECT_EQ(CommOpen(4, "COM4", Settings()), -1);
    EXPECT_EQ(g_comm_error_source, "CommOpen");
    EXPECT_EQ(g_comm_error_text, "Port in use.");

    // The same terminal under another number: the open is refused.
    std::filesystem::create_symlink(sim.SlavePath(), folder_.Path() + "/ports/COM5");
    EXPECT_EQ(CommOpen(5, "COM5", Settings()), EBUSY);
    EXPECT_EQ(g_comm_error_source, "CommOpen (CreateFile)");
    EXPECT_EQ(g_comm_error_text, std::strerror(EBUSY));
    EXPECT_EQ(g_comm_port_record[4].open, 0);

    // Closed, it opens again; closing a port that is not open changes nothing.
    EXPECT_EQ(CommClose(4), 0);
    EXPECT_EQ(CommClose(4), 0);
    EXPECT_EQ(CommOpen(5, "COM5", Settings()), 0);
}

TEST_F(LinkTest, BadSettingsLeaveThePortMarkedOpenUntilClosed) {
    SimProcess sim(folder_.Path(), 4);
    EXPECT_EQ(CommOpen(4, "COM4", "baud=12345 parity=N data=8 stop=1"), EINVAL);
    EXPECT_EQ(g_comm_error_source, "CommOpen (BuildCommDCB)");
    EXPECT_EQ(CommOpen(4, "COM4", Settings()), -1);
    EXPECT_EQ(g_comm_error_text, "Port in use.");
    EXPECT_EQ(CommClose(4), 0);
    OpenCom4();
}

TEST_F(LinkTest, ExchangesAreEightBitClean) {
    SimProcess sim(folder_.Path(), 4, {"--id", "240"});
    OpenCom4();
    ASSERT_EQ(CommWrite(4, kIdFrame), 5);
    std::string reply;
    ASSERT_EQ(CommRead(4, reply, 2), 2);
    EXPECT_EQ(reply, Bytes({0x00, 0xF0}));  // 0xF0 arrives as data, not as a line ending
    // A frame with FF and F0 inside: channel 383 (page 0x81, register 255) set to 0xF0.
    ASSERT_EQ(CommWrite(4, Bytes({0xFF, 0x81, 0xFF, 0xF0, 0xF0})), 5);
    ASSERT_EQ(CommRead(4, reply, 2), 2);
    EXPECT_EQ(reply, Bytes({0xFF, 0x00}));
    EXPECT_EQ(sim.Command("get setting 383"), "ok 240");
}

TEST_F(LinkTest, ShortReplyReturnsWhatCameAfterFiveReadsAndPurges) {
    SimProcess sim(folder_.Path(), 4, {"--short"});
    platform::SetTimeScale(0.1);  // read total 20 ms, interval 10 ms
    OpenCom4();
    std::string reply;
    int32_t n = 0;
    const double ms = ElapsedMs([&] {
        CommWrite(4, kIdFrame);
        n = CommRead(4, reply, 2);
    });
    EXPECT_EQ(n, 1);
    EXPECT_EQ(reply, Bytes({0x00}));
    EXPECT_GE(ms, 4 * 20.0);  // four silent read calls after the one that brought the byte
    EXPECT_LT(ms, 1000.0);

    // Silence: nothing, after five read calls.
    sim.Set("silent", "1");
    const double silentMs = ElapsedMs([&] {
        CommWrite(4, kIdFrame);
        n = CommRead(4, reply, 2);
    });
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(reply.empty());
    EXPECT_GE(silentMs, 5 * 20.0);
    EXPECT_LT(silentMs, 1000.0);
}

TEST_F(LinkTest, ReadsTakeOnlyWhatIsAskedAndFlushDiscardsTheRest) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    std::string reply;
    CommWrite(4, kIdFrame + kIdFrame);
    EXPECT_EQ(CommRead(4, reply, 3), 3);  // one byte of the second answer stays behind ...
    EXPECT_EQ(CommRead(4, reply, 1), 1);  // ... until read
    EXPECT_EQ(reply, Bytes({0x2A}));

    platform::SetTimeScale(0.05);
    CommWrite(4, kIdFrame + kIdFrame);
    sim.Command("ping");
    usleep(20000);
    EXPECT_EQ(CommFlush(4), 0);
    EXPECT_EQ(CommRead(4, reply, 1), 0);
}

TEST_F(LinkTest, FlushAndCloseRightAfterAWriteNeverLoseTheFrame) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    sim.MarkLog();
    // An actuator frame followed at once by a flush, as Stop does, and by a
    // close and a reopen, as a connect after a disconnect does: every frame
    // reaches the instrument, in order.
    std::vector<std::string> sent;
    for (int i = 0; i < 1000; ++i) {
        const std::string frame = Bytes({0xFF, 0x00, 0x10, i % 8, 0xF0});
        ASSERT_EQ(CommWrite(4, frame), 5);
        if (i % 2 == 0) {
            ASSERT_EQ(CommFlush(4), 0);
        } else {
            ASSERT_EQ(CommClose(4), 0);
            OpenCom4();
        }
        sent.push_back("FF 00 10 0" + std::to_string(i % 8) + " F0");
    }
    EXPECT_EQ(sim.FramesSinceMark(), sent);
    EXPECT_EQ(sim.Command("get actuator"), "ok 7");
}

TEST_F(LinkTest, UnpluggedInstrumentClosesThePortAndMarksItLost) {
    SimProcess sim(folder_.Path(), 4);
    platform::SetTimeScale(0.05);
    // Reads keep their designed time-outs: one that waited them out would
    // take a second, which sets "at once" apart on a busy machine too.
    platform::SetReplyTimeoutScale(1.0);
    const std::string flags = "  COMM Error Flags = 0";
    // The hang-up is seen by whichever operation comes first.
    const struct {
        const char* what;
        std::function<void()> operation;
        std::string source;
    } cases[] = {
        {"read", [] { std::string reply; EXPECT_EQ(CommRead(4, reply, 2), 0); }, "CommRead (ReadFile)"},
        {"write", [] { EXPECT_EQ(CommWrite(4, kIdFrame), -1); }, "CommWrite (WriteFile)"},
        {"flush", [] { EXPECT_EQ(CommFlush(4), EIO); }, "CommFlush (PurgeComm)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenCom4();
        g_connected = kTrue;
        EXPECT_FALSE(CommPortLost(4));
        ASSERT_EQ(sim.Command("unplug"), "ok");
        EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "/ports/COM4"));
        // At once, instead of waiting out the time-outs.
        EXPECT_LT(ElapsedMs(c.operation), 500.0);
        EXPECT_EQ(g_comm_error_source, c.source);
        EXPECT_EQ(g_comm_error_text, std::strerror(EIO) + (c.source == "CommFlush (PurgeComm)" ? "" : flags));
        // The port is closed and lost, and the program no longer connected.
        EXPECT_EQ(g_comm_port_record[3].open, 0);
        EXPECT_TRUE(CommPortLost(4));
        EXPECT_EQ(g_connected, 0);
        // From then on every operation fails as on any closed port.
        std::string reply;
        EXPECT_EQ(CommRead(4, reply, 2), 0);
        EXPECT_EQ(CommWrite(4, kIdFrame), -1);
        EXPECT_EQ(g_comm_error_text, std::strerror(EBADF) + flags);
        // Plugged in again: the port opens without a close first and works.
        ASSERT_EQ(sim.Command("replug").rfind("ok", 0), 0u);
        OpenCom4();
        EXPECT_FALSE(CommPortLost(4));
        CommWrite(4, kIdFrame);
        EXPECT_EQ(CommRead(4, reply, 2), 2);
        EXPECT_EQ(CommClose(4), 0);
    }

    // A hang-up of a port other than the instrument's leaves the connection.
    g_com_port = 2;
    g_connected = kTrue;
    OpenCom4();
    ASSERT_EQ(sim.Command("unplug"), "ok");
    EXPECT_EQ(CommWrite(4, kIdFrame), -1);
    EXPECT_TRUE(CommPortLost(4));
    EXPECT_EQ(g_connected, kTrue);
}

TEST_F(LinkTest, ModemLinesAndOperationsOnClosedPorts) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    // A pseudo-terminal has no modem lines; the failure is recorded, not fatal.
    EXPECT_NE(CommSetLine(4, kLineRts, -1), 0);
    EXPECT_EQ(g_comm_error_source, "CommSetLine (EscapeCommFunction)");
    EXPECT_EQ(CommSetLine(4, 7, -1), EINVAL);

    std::string reply = "stale";
    EXPECT_EQ(CommRead(5, reply, 2), 0);
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(g_comm_error_source, "CommRead (ReadFile)");
    EXPECT_EQ(CommWrite(5, kIdFrame), -1);
    EXPECT_EQ(CommFlush(5), EBADF);
    EXPECT_EQ(CommFlush(17), EINVAL);
    EXPECT_EQ(g_comm_error_source, "CommFlush");
}
