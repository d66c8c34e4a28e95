#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "ScriptedDialogs.h"
#include "device/COM_Module.h"
#include "platform/Files.h"
#include "store/Globals.h"
#include "techpanel/PanelDevice.h"

namespace vondrel::techpanel {
namespace {

using vondrel::testing::LinkTest;
using vondrel::testing::SimProcess;

class PanelLinkTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        platform::SetTimeScale(0.1);
        // The simulator's answers get the designed read time-outs, which a
        // busy machine meets; only the pauses shrink.
        platform::SetReplyTimeoutScale(1.0);
        dialogs_.AllowAnyMessages();
    }
    void TearDown() override {
        LinkTest::TearDown();
    }
    void Start(std::vector<std::string> args = {"--mode", "parity48", "--noise", "0", "--activity", "0", "--cal-ms", "300"}) {
        args.push_back("--time-scale");
        args.push_back("0.1");
        sim_ = std::make_unique<SimProcess>(folder_.Path(), 4, args);
        OpenCom4();
        sim_->MarkLog();
    }
    vondrel::testing::ScriptedDialogs dialogs_;
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(PanelLinkTest, RegisterWriteAtAStationAndItsResyncs) {
    Start();
    EXPECT_EQ(WriteChannelRegister(PanelVariant::Mini, 2, 5, 3, 7), 1);
    auto frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(frames[0], "FF 82 05 E3 F0");
    EXPECT_TRUE(dialogs_.Shown().empty());

    // Only the ninth reply counts: a register echoed at the ninth write alone
    // is written without a resync.
    sim_->Set("echo-ninth", "3:6");
    sim_->MarkLog();
    EXPECT_EQ(WriteChannelRegister(PanelVariant::Mini, 2, 6, 3, 7), 1);
    EXPECT_EQ(sim_->FramesSinceMark().size(), 9u);
    EXPECT_EQ(sim_->Command("get register 3 6"), "ok 227");
    EXPECT_TRUE(dialogs_.Shown().empty());

    sim_->Set("no-echo", "ch:5");
    sim_->MarkLog();
    EXPECT_EQ(WriteChannelRegister(PanelVariant::Mini, 0, 5, 3, 7), -1);
    frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 29u);  // 27 writes and two resynchronising queries at the station
    EXPECT_EQ(frames[9], "FF 00 21 00 F0");
    EXPECT_EQ(frames[19], "FF 00 21 00 F0");
    ASSERT_EQ(dialogs_.Shown().size(), 1u);
    EXPECT_EQ(dialogs_.Shown()[0], "Ops...Data Writing ERROR: reg(5)... Check COM and Try again");
}

TEST_F(PanelLinkTest, TwinWritesItsBankAndReadsItBack) {
    Start();
    EXPECT_EQ(WriteChannelRegister(PanelVariant::Twin, 0, 200, 2, 5), 1);
    EXPECT_EQ(sim_->FramesSinceMark()[0], "FF 81 48 A2 F0");
    sim_->MarkLog();
    ReadSettingByte(PanelVariant::Twin, 200, 1);
    EXPECT_EQ(sim_->FramesSinceMark()[0], "FF 01 20 48 F0");
}

TEST_F(PanelLinkTest, ReadBackKeepsWhatCannotBeFramed) {
    Start();
    g_channel_gain.fill(3);
    g_channel_pinhole.fill(2);
    platform::SetTimeScale(0.01);  // 128 channels x 8 pauses that cannot be framed
    sim_->Set("setting", "0=231");  // 0xE7 on channel 0
    int shown = 0;
    EXPECT_TRUE(ReadBackCalibration(PanelVariant::Mini, [&](int) { ++shown; }));
    EXPECT_EQ(shown, 384);
    EXPECT_EQ(g_channel_gain[0], 7);
    EXPECT_EQ(g_channel_pinhole[0], 7);
    EXPECT_EQ(g_channel_gain[300], 3);  // register 300 cannot be framed: kept
    EXPECT_TRUE(platform::FileExists(platform::JoinPath(folder_.Path(), "calvalue.dat")));
}

TEST_F(PanelLinkTest, LiveSampleFramesSpreadAndFaults) {
    Start();
    LevelHistory h;
    h.SetLevel(0, 1, 77);
    ASSERT_TRUE(ReadSampleBlocks(PanelVariant::Mini, 2, h, [] { return true; }));
    const auto frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 8u);
    EXPECT_EQ(frames[0], "FF 02 30 00 F0");
    EXPECT_EQ(frames[7], "FF 02 30 38 F0");
    EXPECT_GT(h.Level(0, 0), 0);
    EXPECT_GT(h.Level(0, 382), 0);
    EXPECT_EQ(h.Level(0, 1), 0);  // odd channels cleared

    // A block whose check fails is dropped: its channels keep what they had.
    for (const char* spoil : {"1:parity", "1:high"}) {
        LevelHistory marked;
        for (int ch = 0; ch < 384; ch += 2) marked.SetLevel(0, ch, 7);
        sim_->Set("spoil-block", spoil);
        ASSERT_TRUE(ReadSampleBlocks(PanelVariant::Mini, 2, marked, [] { return true; })) << spoil;
        int kept = 0;
        for (int ch = 0; ch < 384; ch += 2) kept += marked.Level(0, ch) == 7;
        EXPECT_EQ(kept, 24) << spoil;  // the 24 even channels of the second block
    }

    sim_->Set("cut-block", "2:20");  // the third block comes short
    sim_->MarkLog();
    LevelHistory cut;
    EXPECT_FALSE(ReadSampleBlocks(PanelVariant::Mini, 2, cut, [] { return true; }));
    EXPECT_EQ(sim_->FramesSinceMark().size(), 3u);

    g_offline = -1;
    sim_->MarkLog();
    EXPECT_TRUE(ReadSampleBlocks(PanelVariant::Mini, 2, cut, [] { return true; }));
    EXPECT_TRUE(sim_->FramesSinceMark().empty());
}

TEST_F(PanelLinkTest, GroupReadStoresTheRegistersBlockAndTellsADeadOne) {
    Start();
    LevelHistory h;
    ASSERT_TRUE(ReadGroupLevels(PanelVariant::Mini, 0, 100, h));  // register 100: channel 200, offset 32
    EXPECT_EQ(GroupOffsetOf(100), 32);
    EXPECT_EQ(sim_->FramesSinceMark().size(), 8u);
    EXPECT_GT(GroupLevelOf(PanelVariant::Mini, h, 100), 0);
    EXPECT_EQ(h.Level(0, 0), 0);  // another block: not stored

    sim_->Set("station", "1=silent");
    sim_->MarkLog();
    EXPECT_FALSE(ReadGroupLevels(PanelVariant::Mini, 0, 3, h));
    EXPECT_EQ(sim_->FramesSinceMark().size(), 3u);
    ASSERT_FALSE(dialogs_.Shown().empty());
    EXPECT_EQ(dialogs_.Shown().back(), "Ops...Data Sending ERROR reg(0)... Try again");
}

TEST_F(PanelLinkTest, AutocalibrationProgress) {
    Start();
    std::vector<int> shown;
    EXPECT_EQ(RunAutocalibration(1, 120, [&](int b) { shown.push_back(b); }), 191);
    EXPECT_EQ(sim_->FramesSinceMark().front(), "FF 01 40 78 F0");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 191);
    sim_->Set("cal-stop", "190");
    shown.clear();
    EXPECT_EQ(RunAutocalibration(1, 120, [&](int b) { shown.push_back(b); }), 190);
}

TEST_F(PanelLinkTest, TrialSettingRetriesOnce) {
    Start();
    EXPECT_EQ(SetTestGainPinhole(PanelVariant::Mini, 1, 3, 5), 0);
    const auto frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], "FF 01 11 A3 F0");
    sim_->Set("mute-trial", "once");
    sim_->MarkLog();
    EXPECT_EQ(SetTestGainPinhole(PanelVariant::Mini, 1, 3, 5), 0);  // the second try is answered
    EXPECT_EQ(sim_->FramesSinceMark().size(), 2u);
    sim_->Set("mute-trial", "always");
    sim_->MarkLog();
    EXPECT_EQ(SetTestGainPinhole(PanelVariant::Twin, 1, 3, 5), -1);  // the twin stops after address 0
    EXPECT_EQ(sim_->FramesSinceMark().size(), 2u);
}

TEST(GainCurveFilesTest, AppendsOneCombinationAndTellsAFailedPath) {
    vondrel::testing::TempFolder folder;
    platform::SetProgramFolderForTest(folder.Path());
    GainCurveFiles files;
    ASSERT_FALSE(platform::WriteTextFile(files.bk, "old") == false);
    EXPECT_FALSE(files.DeleteAll());
    EXPECT_FALSE(platform::FileExists(files.bk));
    std::vector<std::array<int16_t, kPanelChannels>> samples(6);
    for (size_t s = 0; s < 6; ++s) samples[s].fill(10);
    samples[5][0] = 16;
    EXPECT_FALSE(files.Append(3, 5, samples));
    EXPECT_FALSE(files.Append(3, 6, samples));
    const std::string bk = *platform::ReadTextFile(files.bk);
    EXPECT_EQ(bk.substr(0, 16), "p=3,g=5\r\n[0] 10 ");
    EXPECT_EQ(platform::SplitLines(bk).size(), 14u);
    EXPECT_EQ(platform::ReadTextFile(files.mean)->substr(0, 12), "[p3,g5] 11 1");
    EXPECT_EQ(platform::ReadTextFile(files.desv)->substr(0, 11), "[p3,g5] 2 0");

    platform::MakeFolder(files.mean + ".d");
    GainCurveFiles blocked;
    blocked.mean = files.mean + ".d";  // a folder cannot be appended to
    EXPECT_EQ(blocked.Append(0, 0, samples), blocked.mean);
}

}  // namespace
}  // namespace vondrel::techpanel
