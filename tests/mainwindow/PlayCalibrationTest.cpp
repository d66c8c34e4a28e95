// Play's station auto-calibration and auto-zero against the simulator.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "RunFixture.h"
#include "device/DevicePort.h"
#include "platform/Files.h"
#include "store/CalReport.h"

namespace vondrel {
namespace {

using testing::RunTest;

constexpr double kSentinel = 123.0;

class PlayCalibration : public RunTest {
protected:
    // Both options on, the simulator's stream short (0, 95, 190, 191), the
    // captions recorded.
    void StartCalibrating(std::vector<std::string> simArgs = {}) {
        simArgs.insert(simArgs.end(), {"--mode", "word192", "--cal-ms", "75"});
        StartRun(true, simArgs);
        main().m_auto_calibration = kTrue;
        main().m_auto_zero = kTrue;
        SetAutoChannelCaptionSink([this](const std::string& t) {
            captions.push_back(t);
            if (onCaption) onCaption(t);
        });
        for (auto& row : g_channel_threshold) row.fill(kSentinel);
    }
    // Presses Play and leaves the tick as Play left it.
    void PressPlay(const std::string& message = "") {
        boxes.ExpectInput(NamePrompt(), "Run A");
        if (!message.empty()) boxes.ExpectMessage(message);
        main().CmdPlay_Click();
    }
    bool Captioned(const std::string& text) const {
        return std::find(captions.begin(), captions.end(), text) != captions.end();
    }
    size_t Count(const std::vector<std::string>& frames, const std::string& f) const {
        return static_cast<size_t>(std::count(frames.begin(), frames.end(), f));
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string CalPath() const { return platform::JoinPath(home.Path(), "calvalue.dat"); }

    std::vector<std::string> captions;
    std::function<void(const std::string&)> onCaption;
};

TEST_F(PlayCalibration, BothOptionsCalibrateEachTickedStationZeroAndStartTheTick) {
    StartCalibrating();
    TickStations({1, 3});
    g_channel_gain[300] = 6;
    g_channel_pinhole[300] = 1;
    sim->Set("setting", "all=67");  // gain 2, power 3 until the instrument calibrates
    sim->MarkLog();
    bool shot = false;
    onCaption = [&](const std::string& t) {
        if (shot || t != "Calibrating[ST1]...49%") return;
        shot = true;
        EXPECT_EQ(main().lbl_autotext->text(), "<AUTOCALIBRATION>");
        main().lbl_autochannel->setText(QString::fromStdString(t));
        QDir().mkpath(VONDREL_SCREENSHOT_DIR);
        EXPECT_TRUE(main().grab().save(QString(VONDREL_SCREENSHOT_DIR) + "/main_autocalibration.png"));
    };
    PressPlay();
    EXPECT_TRUE(shot);
    EXPECT_EQ(g_run_state, 1);
    EXPECT_TRUE(main().Timeradq->isActive());
    EXPECT_FALSE(main().frm_autotext->isVisible());

    for (const char* c : {"Calibrating[ST1]...0%", "Calibrating[ST1]...49%", "Calibrating[ST1]...100%",
                          "Saving Calibration values...0%", "Saving Calibration values...100%",
                          "Calibrating[ST3]...100%", "AutoZero Calculation .... <000>", "AutoZero... <7>",
                          "AutoZero... <29>"})
        EXPECT_TRUE(Captioned(c)) << c;
    EXPECT_FALSE(Captioned("AutoZero... <30>"));

    // The frames in order: station 1's calibration and its 255 read-backs,
    // then station 3's, then the zeroing of both stations.
    const auto frames = sim->FramesSinceMark();
    const auto at = [&](const std::string& f) { return std::find(frames.begin(), frames.end(), f) - frames.begin(); };
    EXPECT_LT(at("FF 00 40 6E F0"), at("FF 00 20 00 F0"));
    EXPECT_LT(at("FF 00 20 FE F0"), at("FF 02 40 6E F0"));
    EXPECT_LT(at("FF 02 40 6E F0"), at("FF 02 20 00 F0"));
    EXPECT_LT(at("FF 02 20 FE F0"), at("FF 00 33 00 F0"));
    EXPECT_EQ(Count(frames, "FF 01 40 6E F0"), 0u);
    EXPECT_EQ(Count(frames, "FF 00 33 00 F0"), 31u);  // priming and 30 cycles
    EXPECT_EQ(Count(frames, "FF 02 33 00 F0"), 31u);
    EXPECT_EQ(Count(frames, "FF 01 33 00 F0"), 0u);

    // calvalue.dat holds all 384 channels: 0..254 as read back, the rest
    // as they were; a copy lies in each station's folder.
    const std::string cal = ReadFile(CalPath());
    std::istringstream lines(cal);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    ASSERT_EQ(all.size(), 385u);
    // The last read-back is station 3's: its registers fill the table.
    for (int ch : {0, 17, 254}) {
        const int setting = std::stoi(sim->Command("get register 3 " + std::to_string(ch)).substr(3));
        EXPECT_EQ(g_channel_gain[static_cast<size_t>(ch)], setting / 32) << ch;
        EXPECT_EQ(g_channel_pinhole[static_cast<size_t>(ch)], std::min(setting % 32, 7)) << ch;
    }
    EXPECT_EQ(g_channel_gain[300], 6);
    EXPECT_EQ(g_channel_pinhole[300], 1);
    g_channel_gain[300] = 0;
    ASSERT_TRUE(ReadCalValues());
    EXPECT_EQ(g_channel_gain[300], 6);
    EXPECT_EQ(ReadFile(platform::JoinPath(StationFolder(1), "calvalue0.dat")).size(), cal.size());
    EXPECT_EQ(ReadFile(platform::JoinPath(StationFolder(3), "calvalue2.dat")), cal);
    EXPECT_FALSE(platform::FolderExists(platform::JoinPath(g_project_folder, main().m_run.m_acquisition_stamp)));

    // Thresholds: only the ticked stations' change, none below 1.8.
    int changed = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        EXPECT_EQ(g_channel_threshold[static_cast<size_t>(ch)][1], kSentinel);
        EXPECT_EQ(g_channel_threshold[static_cast<size_t>(ch)][3], kSentinel);
        for (int st : {0, 2}) {
            const double t = g_channel_threshold[static_cast<size_t>(ch)][static_cast<size_t>(st)];
            EXPECT_GE(t, 1.8);
            changed += t != kSentinel;
        }
    }
    EXPECT_EQ(changed, 2 * kChannels);
    main().CmdStop_Click();
}

TEST_F(PlayCalibration, AnEarlyStreamEndStillReadsBackAndAnUnreadRegisterStopsThePlay) {
    StartCalibrating({"--cal-stop", "95"});
    TickStations({1});
    PressPlay();
    EXPECT_EQ(g_run_state, 1);
    EXPECT_TRUE(Captioned("Calibrating[ST1]...49%"));
    EXPECT_FALSE(Captioned("Calibrating[ST1]...100%"));
    EXPECT_TRUE(Captioned("Saving Calibration values...100%"));
    main().CmdStop_Click();

    // Register 200 is never answered: "COM Error", the run stops before the
    // zeroing and the tick, calvalue.dat stays as it was.
    sim->Set("cal-stop", "-1");
    sim->Set("mute-read", "200");
    const std::string before = ReadFile(CalPath());
    now_ += std::chrono::minutes(1);
    sim->MarkLog();
    captions.clear();
    PressPlay("COM Error");
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_EQ(ReadFile(CalPath()), before);
    const auto frames = sim->FramesSinceMark();
    EXPECT_EQ(Count(frames, "FF 00 20 C8 F0"), 3u);
    EXPECT_EQ(Count(frames, "FF 00 20 C9 F0"), 0u);
    EXPECT_EQ(Count(frames, "FF 00 33 00 F0"), 0u);
    EXPECT_FALSE(Captioned("AutoZero Calculation .... <000>"));
}

TEST_F(PlayCalibration, AnUnwritableCalibrationFileIsToldOnceAndPlayGoesOn) {
    StartCalibrating();
    TickStations({1});
    main().m_auto_zero = 0;
    ASSERT_TRUE(std::filesystem::remove(CalPath()));
    std::filesystem::create_directory(CalPath());  // a folder where the file should be
    g_channel_gain[0] = 0;
    PressPlay("The calibration values could not be saved in " + CalPath() + ".");
    EXPECT_EQ(g_run_state, 1);
    EXPECT_TRUE(main().Timeradq->isActive());
    EXPECT_EQ(g_channel_gain[0], std::stoi(sim->Command("get setting 0").substr(3)) / 32);  // the table keeps the new values
    main().CmdStop_Click();
}

TEST_F(PlayCalibration, StopDuringStationOneEndsPlayWithoutARun) {
    StartCalibrating();
    TickStations({1, 2});
    sim->MarkLog();
    // The click comes while Play holds the port; it is handled inside the
    // calibration's event pumps.
    QTimer::singleShot(0, main().CmdStop, [] { main().CmdStop->click(); });
    PressPlay();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    const auto frames = sim->FramesSinceMark();
    EXPECT_EQ(Count(frames, "FF 00 40 6E F0"), 1u);
    EXPECT_EQ(Count(frames, "FF 01 40 6E F0"), 0u);
    EXPECT_EQ(Count(frames, "FF 00 33 00 F0"), 0u);
    for (const auto& row : g_channel_threshold) EXPECT_EQ(row[0], kSentinel);
}

TEST_F(PlayCalibration, ZeroAloneRuns100CyclesAndAStopKeepsTheThresholds) {
    StartCalibrating();
    main().m_auto_calibration = 0;
    TickStations({2});
    sim->MarkLog();
    boxes.ExpectInput(NamePrompt(), "Run A");  // the boxes stay ticked: the prompt is the short one
    main().CmdPlay_Click();
    EXPECT_TRUE(main().Timeradq->isActive());
    EXPECT_EQ(Count(sim->FramesSinceMark(), "FF 01 33 00 F0"), 101u);
    EXPECT_TRUE(Captioned("AutoZero... <99>"));
    for (int ch = 0; ch < kChannels; ++ch) {
        EXPECT_NE(g_channel_threshold[static_cast<size_t>(ch)][1], kSentinel);
        EXPECT_EQ(g_channel_threshold[static_cast<size_t>(ch)][0], kSentinel);
    }
    main().CmdStop_Click();

    // Stop while the zeroing runs: it ends at its next tenth cycle and
    // changes no threshold.
    for (auto& row : g_channel_threshold) row.fill(kSentinel);
    now_ += std::chrono::minutes(1);
    sim->MarkLog();
    captions.clear();
    onCaption = [](const std::string& t) {
        if (t == "AutoZero... <3>") QTimer::singleShot(0, main().CmdStop, [] { main().CmdStop->click(); });
    };
    boxes.ExpectInput(NamePrompt(), "Run B");
    main().CmdPlay_Click();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_TRUE(Captioned("AutoZero... <10>"));
    EXPECT_FALSE(Captioned("AutoZero... <11>"));
    for (const auto& row : g_channel_threshold) EXPECT_EQ(row[1], kSentinel);
}

}  // namespace
}  // namespace vondrel
