// Identification, the probe of the configured port, the port scan and the
// typed port number, against simulators linked at chosen COM numbers.
#include <filesystem>
#include <functional>

#include "LinkFixture.h"
#include "ScriptedDialogs.h"
#include "device/DevicePort.h"
#include "store/Config.h"
#include "store/StatusLine.h"

using namespace vondrel;
using namespace vondrel::testing;

namespace {

const std::string kPortPrompt15 = "COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline";
const std::string kInvalidPort = "Invalid Port Number. Offline Mode";

// Answers the port-number box by running `onInput` first (to change the
// instrument while the box is up) and then typing `answer`; messages are
// recorded.
class TypingDialogs final : public platform::Dialogs {
public:
    TypingDialogs(std::string answer, std::function<void()> onInput = {})
        : answer_(std::move(answer)), on_input_(std::move(onInput)) {
        platform::SetDialogs(this);
    }
    ~TypingDialogs() override { platform::SetDialogs(nullptr); }
    platform::Reply Message(const std::string& text, platform::Buttons, const std::string&) override {
        messages.push_back(text);
        return platform::Reply::Ok;
    }
    std::optional<std::string> Input(const std::string& prompt, const std::string&, const std::string&) override {
        prompts.push_back(prompt);
        if (on_input_) on_input_();
        return answer_;
    }
    std::vector<std::string> messages, prompts;

private:
    std::string answer_;
    std::function<void()> on_input_;
};

class PortScanTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        platform::SetTimeScale(0.2);  // read time-out 40 ms: ample for a simulator that answers
        g_device_serial = 0;
        SetStatusLine("Equipment Status = unknown");
        SetAutoChannelCaption("");
    }
    bool IsOpen(int port) const { return g_comm_port_record[static_cast<size_t>(port - 1)].open != 0; }
};

}  // namespace

TEST_F(PortScanTest, QueryDeviceIdReadsTheIdentifier) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    const std::pair<int, int32_t> cases[] = {{42, 42}, {5, 5}, {251, 251}, {255, 255}, {0, 0}};
    for (auto [simId, expected] : cases) {
        sim.Set("id", std::to_string(simId));
        int32_t id = 0;
        QueryDeviceId(4, id);
        EXPECT_EQ(id, expected);
    }
    sim.Set("silent", "1");
    int32_t id = 0;
    QueryDeviceId(4, id);
    EXPECT_EQ(id, -1);
}

TEST_F(PortScanTest, ConfiguredPortAnsweringStaysOpenWithoutScan) {
    for (int16_t port : {int16_t{4}, int16_t{16}}) {  // 16 is beyond the scan but is probed like any other
        SimProcess sim(folder_.Path(), port);
        ScriptedDialogs dialogs;
        g_com_port = port;
        sim.MarkLog();
        OpenDevicePort();
        EXPECT_EQ(g_offline, 0);
        EXPECT_EQ(g_com_port, port);
        EXPECT_EQ(g_device_serial, 42);
        EXPECT_TRUE(IsOpen(port));
        EXPECT_EQ(AutoChannelCaptionText(), "Opening Port [" + std::to_string(port) + "]");
        EXPECT_EQ(StatusLineText(), "Equipment Status = unknown");
        EXPECT_EQ(sim.FramesSinceMark(), std::vector<std::string>{"FF 03 00 00 F0"});
        CommClose(port);
    }
}

TEST_F(PortScanTest, ScanFindsTheInstrumentOnCom7WhenCom4IsConfigured) {
    SimProcess sim(folder_.Path(), 7);
    // COM3 is a device that opens but is no terminal: its failed open must
    // not leave it marked in use.
    std::filesystem::create_directories(folder_.Path() + "/ports");
    std::filesystem::create_symlink("/dev/null", folder_.Path() + "/ports/COM3");
    ScriptedDialogs dialogs;
    std::vector<std::string> captions;
    SetAutoChannelCaptionSink([&](const std::string& t) { captions.push_back(t); });
    OpenDevicePort();
    SetAutoChannelCaptionSink(nullptr);

    EXPECT_EQ(g_offline, 0);
    EXPECT_EQ(g_com_port, 7);
    EXPECT_EQ(g_device_serial, 42);
    EXPECT_TRUE(IsOpen(7));
    EXPECT_FALSE(IsOpen(3));
    EXPECT_FALSE(IsOpen(4));
    EXPECT_EQ(StatusLineText(), "Status = Connected on COM[ 7 ]");
    EXPECT_EQ(AutoChannelCaptionText(), "Connected on COM[ 7 ]");
    const std::vector<std::string> expected = {"Opening Port [4]", "Opening Port [1]", "Opening Port [2]",
                                               "Opening Port [3]", "Opening Port [4]", "Opening Port [5]",
                                               "Opening Port [6]", "Opening Port [7]", "Connected on COM[ 7 ]"};
    EXPECT_EQ(captions, expected);
}

TEST_F(PortScanTest, InvalidIdentifiersAreRejectedEverywhere) {
    for (int badId : {5, 251, 255}) {
        SimProcess sim(folder_.Path(), 4, {"--id", std::to_string(badId)});
        g_com_port = 4;
        ScriptedDialogs dialogs;
        dialogs.ExpectInput(kPortPrompt15, "");
        sim.MarkLog();
        OpenDevicePort();
        EXPECT_EQ(g_offline, -1) << badId;
        EXPECT_EQ(g_com_port, 15);
        EXPECT_EQ(g_device_serial, 0);
        EXPECT_FALSE(IsOpen(4));
        // The probe asks once, the scan twice.
        EXPECT_EQ(sim.FramesSinceMark().size(), 3u) << badId;
    }
}

TEST_F(PortScanTest, NothingFoundAndTheAnswerToThePortBox) {
    struct Case {
        std::string answer;
        std::vector<std::string> messages;
    } cases[] = {{"", {}}, {"22", {}}, {"0", {}}, {"abc", {}}, {"9", {kInvalidPort}}};
    platform::SetTimeScale(0.05);  // no instrument anywhere
    for (const auto& c : cases) {
        g_com_port = 4;
        g_offline = 0;
        TypingDialogs dialogs(c.answer);
        OpenDevicePort();
        EXPECT_EQ(g_offline, -1) << c.answer;
        EXPECT_EQ(dialogs.prompts, std::vector<std::string>{kPortPrompt15});
        EXPECT_EQ(dialogs.messages, c.messages) << c.answer;
        for (int p = 1; p <= 16; ++p) EXPECT_FALSE(IsOpen(p)) << p;
    }
    EXPECT_EQ(g_com_port, 9);
}

TEST_F(PortScanTest, TypedPortCountsOnlyWhenTheInstrumentIdentifies) {
    // Rejected during the scan (identifier 5); the user types 4.
    {
        SimProcess sim(folder_.Path(), 4, {"--id", "5"});
        TypingDialogs dialogs("4");
        OpenDevicePort();
        EXPECT_EQ(g_offline, -1);
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{kInvalidPort});
        EXPECT_FALSE(IsOpen(4));
        EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "/config.dat"));
    }
    // The instrument answers properly by the time the port is typed.
    {
        SimProcess sim(folder_.Path(), 4, {"--id", "5"});
        g_com_port = 4;
        TypingDialogs dialogs("4", [&] { sim.Set("id", "77"); });
        OpenDevicePort();
        EXPECT_EQ(g_offline, 0);
        EXPECT_EQ(g_com_port, 4);
        EXPECT_EQ(g_device_serial, 77);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(IsOpen(4));
        // Saved for the next start.
        g_com_port = 1;
        ScriptedDialogs none;
        LoadConfig();
        EXPECT_EQ(g_com_port, 4);
    }
}

TEST_F(PortScanTest, FailedReopenGoesOffline) {
    SimProcess sim(folder_.Path(), 7);
    ScriptedDialogs dialogs;
    // The instrument disappears right after the scan has found it.
    SetAutoChannelCaptionSink([&](const std::string& t) {
        if (t.rfind("Connected", 0) == 0) sim.Command("unplug");
    });
    OpenDevicePort();
    SetAutoChannelCaptionSink(nullptr);
    EXPECT_EQ(g_offline, -1);
    EXPECT_FALSE(IsOpen(7));
}
