// "Fast CALIB" and "Fast ZERO" against the simulator.
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <sstream>

#include "RunFixture.h"
#include "device/COM_Module.h"
#include "device/DevicePort.h"
#include "device/Calibration.h"
#include "platform/Files.h"
#include "store/CalReport.h"

namespace vondrel {
namespace {

using testing::RunTest;

class FastCalibration : public RunTest {
protected:
    // A named run in progress (tick stopped), the simulator without noise
    // answering 192-byte level blocks, every channel starting at gain 4, power 6.
    void StartRunning(std::vector<std::string> simArgs = {}) {
        simArgs.insert(simArgs.end(), {"--mode", "word192", "--noise", "0"});
        StartRun(true, simArgs);
        TickStations({1});
        Play();
        ASSERT_EQ(g_run_state, 1);
        g_channel_gain.fill(4);
        g_channel_pinhole.fill(6);
        ASSERT_TRUE(WriteCalValues());
    }
    int FirstChannel(bool withWell) const {
        for (int c = 0; c < kChannels; ++c)
            if ((g_channel_well[static_cast<size_t>(c)] >= 0) == withWell) return c;
        return -1;
    }
    std::vector<int> SimSettings() {
        std::istringstream in(sim->Command("get settings").substr(3));
        std::vector<int> out;
        for (int v; in >> v;) out.push_back(v);
        return out;
    }
};

TEST_F(FastCalibration, DuringARunEveryWellChannelConvergesAndTheSettingsAreSaved) {
    StartRunning();
    const int dead = FirstChannel(true), wellLess = FirstChannel(false);
    ASSERT_GE(dead, 0);
    ASSERT_GE(wellLess, 0);
    sim->Set("channel", std::to_string(dead) + "=0");
    main().txt_snr_umbral->setText("2,5");
    sim->MarkLog();
    main().cmd_calibra_Click();
    EXPECT_DOUBLE_EQ(main().m_run.m_snr_threshold, 2.5);
    EXPECT_EQ(g_run_state, 1);
    EXPECT_EQ(AutoChannelCaptionText(), "Calibration OK");

    // The table, the file and the instrument agree.
    const std::vector<int> settings = SimSettings();
    ASSERT_EQ(settings.size(), 384u);
    g_channel_gain.fill(-5);
    ASSERT_TRUE(ReadCalValues());
    for (int c = 0; c < kChannels; ++c)
        EXPECT_EQ(settings[static_cast<size_t>(c)],
                  g_channel_gain[static_cast<size_t>(c)] * 32 + g_channel_pinhole[static_cast<size_t>(c)]) << c;
    EXPECT_EQ(g_channel_gain[static_cast<size_t>(dead)], 7);  // too dark at the brightest: given up
    EXPECT_EQ(g_channel_pinhole[static_cast<size_t>(dead)], 7);
    EXPECT_EQ(settings[static_cast<size_t>(wellLess)], 0);

    // Every other channel with a well now lies in the level range.
    for (int k : {0, 32, 64, 96}) {
        ASSERT_EQ(QueryValueBlock(kCmdLevels, k, 0), 0);
        for (int v = 0; v < kBlockValues; ++v) {
            const int c = WordBlockChannel(k, v);
            if (g_channel_well[static_cast<size_t>(c)] < 0 || c == dead) continue;
            EXPECT_GE(g_block_value[static_cast<size_t>(v)], kCalLevelLow) << c;
            EXPECT_LE(g_block_value[static_cast<size_t>(v)], kCalLevelHigh) << c;
        }
    }

    // The well-less channel was written in the first pass only.
    const auto frames = sim->FramesSinceMark();
    const auto firstLevels = std::find(frames.begin(), frames.end(), "FF 00 30 00 F0");
    char wellLessWrite[16];
    std::snprintf(wellLessWrite, sizeof wellLessWrite, "FF %02X %02X", wellLess < 128 ? 0x80 : 0x81, wellLess % 128);
    EXPECT_EQ(std::count_if(firstLevels, frames.end(),
                            [&](const std::string& f) { return f.rfind(wellLessWrite, 0) == 0; }),
              0);
    EXPECT_GT(std::count_if(frames.begin(), firstLevels,
                            [&](const std::string& f) { return f.rfind(wellLessWrite, 0) == 0; }),
              0);
    main().CmdStop_Click();
}

TEST_F(FastCalibration, OfflineStoppedAndFailedWritePaths) {
    StartRunning();
    const std::string before = sim->Command("get settings");
    g_offline = kTrue;
    boxes.ExpectMessage("Operation not possible in OFFLINE mode");
    main().cmd_calibra_Click();
    g_offline = 0;

    // A failed write in the first pass: told, nothing saved.
    const int channel = FirstChannel(true);
    sim->Set("no-echo", "ch:" + std::to_string(channel));
    const std::string cal = platform::JoinPath(home.Path(), "calvalue.dat");
    ASSERT_TRUE(std::filesystem::remove(cal));
    boxes.ExpectMessage("Ops...Data Writing ERROR: reg(" + std::to_string(channel) + ")... Check COM and Try again");
    boxes.ExpectMessage("Communication error. Check COM PORT and equipment connection.");
    main().cmd_calibra_Click();
    EXPECT_EQ(g_run_state, 1);
    sim->Set("no-echo", "off");

    // With the run stopped nothing is measured or sent; the normalised
    // settings are saved and the user is told.
    main().CmdStop_Click();
    sim->MarkLog();
    boxes.ExpectMessage("Calibration not performed: start an acquisition first");
    main().cmd_calibra_Click();
    boxes.ExpectMessage("Zero not performed: start an acquisition first");
    main().Cmd_autozero_Click();
    for (const auto& f : sim->FramesSinceMark()) EXPECT_NE(f.substr(0, 5), "FF 80") << f;
    EXPECT_TRUE(platform::FileExists(cal));
    EXPECT_NE(AutoChannelCaptionText(), "Calibration OK");
}

TEST_F(FastCalibration, StopDuringTheMeasurementEndsItAndSaves) {
    StartRunning();
    bool clicked = false;
    SetAutoChannelCaptionSink([&](const std::string& t) {
        if (!clicked && t == "Acquiring...") {
            clicked = true;
            QTimer::singleShot(0, main().CmdStop, [] { main().CmdStop->click(); });
        }
    });
    main().cmd_calibra_Click();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(g_run_state, 0);
    EXPECT_EQ(AutoChannelCaptionText(), "Calibration OK");
}

}  // namespace
}  // namespace vondrel
