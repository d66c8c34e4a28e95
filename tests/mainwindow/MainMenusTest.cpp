// Pausing and resuming a run with its time counter frozen or running, the
// threshold label's switch and the tool frames.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "RunFixture.h"
#include "acquisition/WindowClose.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::RunTest;

class MainMenusTest : public RunTest {
protected:
    // A run without an instrument, started now, its tick driven by the test.
    void StartOfflineRun() {
        if (!started_) StartRun(false);
        started_ = true;
        now_ = platform::FromLocal({2026, 3, 4, 10, 6, 0});
        g_offline = kTrue;
        g_acq_lapse = 60;
        main().m_run.m_run_start = ToDays(now_);
        g_run_state = 1;
        // Running as after Play; the test pumps no events, so it never fires.
        main().Timeradq->start();
    }
    void TearDown() override {
        main().Timeradq->stop();
        g_run_state = 0;
    }
    static int Elapsed() {
        main().Timeradq_Timer();
        return main().m_run.m_elapsed_minutes;
    }
    bool started_ = false;
};

TEST_F(MainMenusTest, PauseFrozenOrCountingThenResume) {
    for (auto [answer, expected] : {std::pair{Reply::Yes, 10}, {Reply::No, 15}}) {
        SCOPED_TRACE(answer == Reply::Yes ? "frozen" : "counting");
        StartOfflineRun();
        now_ += std::chrono::minutes(10);
        ASSERT_EQ(Elapsed(), 10);
        boxes.ExpectMessage("Pause Time Counter?", answer);
        main().CmdPause_Click();
        EXPECT_EQ(g_run_state, 2);
        EXPECT_EQ(main().Timeradq->isActive(), answer == Reply::No);
        EXPECT_EQ(main().lbl_autochannel->text().toStdString(),
                  answer == Reply::Yes ? "Time Counter = OFF" : "Time Counter = ON");
        EXPECT_EQ(main().lbl_autotext->text().toStdString(), "<< PAUSED >>");
        EXPECT_FALSE(main().frm_autotext->isHidden());

        now_ += std::chrono::minutes(5);
        // The tick of a counting pause keeps the clock going.
        if (answer == Reply::No) main().Timeradq_Timer();
        main().m_run.m_tick_count = 7;
        main().m_run.m_com_error_count = 4;
        main().CmdPause_Click();
        EXPECT_EQ(g_run_state, 1);
        EXPECT_TRUE(main().Timeradq->isActive());
        EXPECT_TRUE(main().frm_autotext->isHidden());
        EXPECT_EQ(main().m_run.m_tick_count, 0);
        EXPECT_EQ(main().m_run.m_com_error_count, 0);
        EXPECT_EQ(Elapsed(), expected);
        main().Timeradq->stop();
        g_run_state = 0;
    }
}

// Answers the pause question after the run has ended under it.
class RunEndsUnderTheBox : public platform::Dialogs {
public:
    platform::Reply Message(const std::string& text, platform::Buttons, const std::string&) override {
        asked = text;
        // The run's end, as the tick's end test performs it.
        FrmMain().Timeradq->stop();
        g_run_state = 0;
        return Reply::Yes;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string asked;
};

TEST_F(MainMenusTest, PauseAppliesOnlyToARunStillRunningAndStoppedItDoesNothing) {
    StartOfflineRun();
    RunEndsUnderTheBox ending;
    platform::SetDialogs(&ending);
    main().CmdPause_Click();
    platform::SetDialogs(&boxes);
    EXPECT_EQ(ending.asked, "Pause Time Counter?");
    EXPECT_EQ(g_run_state, 0);
    EXPECT_TRUE(main().frm_autotext->isHidden());
    // Stopped, the button neither asks nor starts the tick.
    main().CmdPause_Click();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
}

TEST_F(MainMenusTest, ThresholdLabelAndToolFrames) {
    StartRun(false);
    main().txt_snr_umbral->hide();
    main().lbl_umbral_Click();
    EXPECT_EQ(main().lbl_umbral->text().toStdString(), "> Zero SNR:");
    EXPECT_FALSE(main().txt_snr_umbral->isHidden());
    main().lbl_umbral_Click();
    EXPECT_EQ(main().lbl_umbral->text().toStdString(), ">>>>");
    EXPECT_TRUE(main().txt_snr_umbral->isHidden());

    for (auto [action, frame, flag] : {std::tuple{main().lght_ctl, main().Frame_light, &g_tool_light},
                                       {main().temp_ctl, main().Frame_temp, &g_tool_temp}}) {
        frame->hide();
        *flag = 0;
        boxes.ExpectMessage("Only available in some hardware versions");
        action->trigger();
        EXPECT_FALSE(frame->isHidden());
        EXPECT_EQ(*flag, 1);
        // The second choice hides it without a message.
        action->trigger();
        EXPECT_TRUE(frame->isHidden());
        EXPECT_EQ(*flag, 0);
    }
}

}  // namespace
}  // namespace vondrel
