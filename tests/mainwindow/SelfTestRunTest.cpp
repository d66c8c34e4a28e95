// "Test DEVICE" against the simulator.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "RecordingOpener.h"
#include "RunFixture.h"
#include "device/SelfTest.h"
#include "mainwindow/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Files.h"

namespace vondrel {
namespace {

using testing::RecordingOpener;
using testing::RunTest;

// Boxes that pump events while they are open, as modal boxes do: timer
// ticks arrive meanwhile.
class PumpingDialogs final : public platform::Dialogs {
public:
    explicit PumpingDialogs(platform::Dialogs& inner) : inner_(inner) { platform::SetDialogs(this); }
    ~PumpingDialogs() override { platform::SetDialogs(&inner_); }
    platform::Reply Message(const std::string& text, platform::Buttons b, const std::string& title) override {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return inner_.Message(text, b, title);
    }
    std::optional<std::string> Input(const std::string& p, const std::string& t, const std::string& d) override {
        return inner_.Input(p, t, d);
    }

private:
    platform::Dialogs& inner_;
};

const std::string kAsk =
    "DEVICE TEST:\r\nLigth Microbeams will be adjusted to maximum and minimum.\r\n"
    "Please, remove any microplate from the slot\r\n and close Vondrel door";

class SelfTestRun : public RunTest {
protected:
    void StartTesting(std::vector<std::string> simArgs = {}) {
        simArgs.insert(simArgs.end(), {"--mode", "word192", "--noise", "0"});
        StartRun(true, simArgs);
        ScaleForSimulator(0.05);
        platform::SetDesktopOpener(&opener);
    }
    ~SelfTestRun() override { platform::SetDesktopOpener(nullptr); }

    // Answers the confirmation and the boxes of steps 1 to 3.
    void Begin() {
        boxes.ExpectMessage(kAsk, platform::Reply::Ok);
        boxes.ExpectMessage("Turning ON A1-D1");
        boxes.ExpectMessage("Turning OFF A1-D1");
        boxes.ExpectMessage("OK to proceed?", platform::Reply::Yes);
        main().mnstatustest->trigger();
        ASSERT_TRUE(main().Timer_test->isActive());
    }
    // Pumps while the test runs (or until `until` holds).
    bool RunWhile(const std::function<bool()>& until = {}) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (main().Timer_test->isActive() && !(until && until())) {
            if (std::chrono::steady_clock::now() > limit) return false;
            QCoreApplication::processEvents();
        }
        return true;
    }
    static std::vector<std::string> Lines(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);) {
            EXPECT_TRUE(!l.empty() && l.back() == '\r') << l;
            if (!l.empty() && l.back() == '\r') l.pop_back();
            out.push_back(l);
        }
        return out;
    }
    std::string ReportPath() const { return platform::JoinPath(home.Path(), "testdev42.txt"); }

    RecordingOpener opener;
};

TEST_F(SelfTestRun, ACompleteTestWritesItsReportLeavesEveryChannelAtLevelTwoAndOpensTheReport) {
    StartTesting();
    main().resize(1024, 768);
    main().show();
    QCoreApplication::processEvents();
    PumpingDialogs pumping(boxes);
    Begin();
    EXPECT_EQ(main().lbl_temperature->text(), "SN42");
    EXPECT_TRUE(main().lbl_autostart->isVisible() || !main().isVisible());
    bool shot = false;
    ASSERT_TRUE(RunWhile([&] {
        if (!shot && main().m_test_step == 50) {
            shot = true;
            QDir().mkpath(VONDREL_SCREENSHOT_DIR);
            EXPECT_DOUBLE_EQ(main().Picact->ScaleLeft(), -75);
            EXPECT_TRUE(main().grab().save(QString(VONDREL_SCREENSHOT_DIR) + "/self_test_grid.png"));
        }
        return false;
    }));
    EXPECT_TRUE(shot);
    EXPECT_EQ(main().m_test_step, 111);
    EXPECT_EQ(main().lbl_temperature->text(), QString::fromUtf8("T = __ °C"));
    EXPECT_FALSE(main().lbl_autostart->isVisible());
    EXPECT_EQ(opener.opened, (std::vector<std::string>{ReportPath()}));

    const auto lines = Lines(ReportPath());
    ASSERT_EQ(lines.size(), 1u + 3 + 3 + 2 + 24 + 2 + 16 + 2 + 384);
    EXPECT_EQ(lines[0], "Serial:SN42 2026-03-04_10:06");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 10),
              (std::vector<std::string>{"", "Test_all_100%: OK PASS!", "Number of Channels > 80% = 384", "",
                                        "Test_all_0%: OK PASS!", "Number of Channels < 20% = 384", "",
                                        "Test_24_Columns:", "Col[1]: PASS!"}));
    EXPECT_EQ(lines[32], "Col[24]: PASS!");
    EXPECT_EQ(lines[34], "Test_16_Rows:");
    EXPECT_EQ(lines[37], "Row[C]: PASS!");
    EXPECT_EQ(lines[50], "Row[P]: PASS!");
    EXPECT_EQ(lines[52], "Gain/Power[2] Values:");
    for (int ch = 0; ch < kChannels; ++ch) EXPECT_EQ(lines[static_cast<size_t>(53 + ch)].rfind("CH[" + std::to_string(ch) + "] ", 0), 0u);

    std::istringstream settings(sim->Command("get settings").substr(3));
    int n = 0;
    for (int v; settings >> v; ++n) EXPECT_EQ(v, kSettingLevel2) << n;
    EXPECT_EQ(n, kChannels);
}

TEST_F(SelfTestRun, RefusalsAndCancel) {
    StartTesting();
    g_run_state = 1;
    boxes.ExpectMessage("Stop acquisition before Testing");
    main().mnstatustest_Click();
    g_run_state = 0;
    g_offline = kTrue;
    boxes.ExpectMessage("Operation not possible in OFFLINE mode");
    main().mnstatustest_Click();
    g_offline = 0;
    EXPECT_FALSE(platform::FileExists(ReportPath()));
    boxes.ExpectMessage(kAsk, platform::Reply::Cancel);
    main().lbl_autostart->show();
    main().mnstatustest_Click();
    EXPECT_FALSE(main().Timer_test->isActive());
    EXPECT_FALSE(main().lbl_autostart->isVisible());
    EXPECT_EQ(main().m_test_step, 0);
    EXPECT_DOUBLE_EQ(main().Picact->ScaleLeft(), -30);
}

TEST_F(SelfTestRun, AShortReplyHaltsAtItsStepAndAFailedWriteEndsTheTest) {
    StartTesting();
    // The 405th level request: the first block of step 50's second reading.
    sim->Set("cut-block", "404:191");
    Begin();
    boxes.ExpectMessage("COM Error");
    ASSERT_TRUE(RunWhile());
    EXPECT_EQ(main().m_test_step, 50);
    EXPECT_DOUBLE_EQ(main().Picact->ScaleLeft(), -75);  // the grid stays
    boxes.ExpectMessage(kAsk, platform::Reply::Cancel);
    main().mnstatustest_Click();
    EXPECT_DOUBLE_EQ(main().Picact->ScaleLeft(), -30);

    // A write that fails in step 45 (column 7 is switched off first).
    Begin();
    ASSERT_TRUE(RunWhile([] { return main().m_test_step == 45; }));
    sim->Set("no-echo", "ch:96");
    // The write's 39 unanswered exchanges wait a fifth of their read
    // time-outs, still ample for the answered resynchronisations.
    platform::SetReplyTimeoutScale(0.2);
    boxes.ExpectMessage("Ops...Data Writing ERROR: reg(96)... Check COM and Try again");
    ASSERT_TRUE(RunWhile());
    EXPECT_EQ(main().m_test_step, 122);
    EXPECT_EQ(main().lbl_temperature->text(), QString::fromUtf8("T = __ °C"));
    const auto lines = Lines(ReportPath());
    ASSERT_EQ(lines.size(), 1u + 3 + 3 + 2 + 7);
    EXPECT_EQ(lines.back(), "Col[7]: PASS!");
    EXPECT_TRUE(opener.opened.empty());
}

}  // namespace
}  // namespace vondrel
