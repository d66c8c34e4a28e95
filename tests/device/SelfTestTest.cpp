// The self-test's plan, checks, report lines and grey levels.
#include <gtest/gtest.h>

#include <set>

#include "LinkFixture.h"
#include "device/COM_Module.h"
#include "device/SelfTest.h"

using namespace vondrel;

namespace {

TestLevels Levels(int value) {
    TestLevels l{};
    l.fill(static_cast<int16_t>(value));
    return l;
}

TEST(SelfTestChecks, AllOnAndAllOff) {
    TestLevels on = Levels(2000);
    TestCheckResult r = CheckAllOn(on);
    EXPECT_EQ(r.caption, "[Test100%=PASS!]");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"", "Test_all_100%: OK PASS!", "Number of Channels > 80% = 384"}));
    on[17] = 1500;
    r = CheckAllOn(on);
    EXPECT_EQ(r.caption, "[Test100%= CHECK!]");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"", "Test_all_100%:  NEEDS REVISION!", "Number of Channels > 80% = 383",
                                                 "Channels < 80%: CH17[73%], "}));
    on[17] = 1638;
    EXPECT_EQ(CheckAllOn(on).caption, "[Test100%= CHECK!]");
    on[17] = 1639;
    EXPECT_EQ(CheckAllOn(on).caption, "[Test100%=PASS!]");

    TestLevels off = Levels(0);
    off[5] = 1024;  // the dark limit is included
    EXPECT_EQ(CheckAllOff(off).caption, "[Test0%=PASS!]");
    off[5] = 1025;
    r = CheckAllOff(off);
    EXPECT_EQ(r.caption, "[Test0%= CHECK!]");
    EXPECT_EQ(r.lines.back(), "Channels > 20%: CH5[50%], ");
    EXPECT_EQ(r.lines[2], "Number of Channels < 20% = 383");
}

TEST(SelfTestChecks, ColumnsAndRows) {
    TestLevels l = Levels(0);
    for (int ch = 64; ch < 80; ++ch) l[static_cast<size_t>(ch)] = 2000;
    l[66] = 1540;
    const TestCheckResult col = CheckColumn(l, 4);
    EXPECT_EQ(col.caption, "Col[5]: CHECK!");
    EXPECT_EQ(col.lines, (std::vector<std::string>{"Col[5]: NONPASS 15CH > 80% (NONOK:CH66[75%], ); 368CH < 20% (NONOK:)"}));
    l[66] = 2000;
    EXPECT_EQ(CheckColumn(l, 4).lines, (std::vector<std::string>{"Col[5]: PASS!"}));

    TestLevels row = Levels(0);
    for (int c = 0; c < 24; ++c) row[static_cast<size_t>(2 + 16 * c)] = 1900;
    EXPECT_EQ(CheckRow(row, 2).caption, "Row[C]: PASS!");
    EXPECT_EQ(CheckRow(row, 2).lines, (std::vector<std::string>{"Row[C]: PASS!"}));
    EXPECT_EQ(CheckRow(row, 3).caption, "Row[D]: CHECK!");
}

TEST(SelfTestChecks, LinesAndGrey) {
    EXPECT_EQ(TestLevelLine(17, 922), "CH[17] 45%");
    EXPECT_EQ(TestPercent(4095), 199);
    EXPECT_EQ(TestReportHeader(123, 2024, 5, 17, 14, 3), "Serial:SN123 2024-05-17_14:03");
    EXPECT_EQ(TestReportHeader(-1, 2026, 3, 4, 10, 6), "Serial:SN-1 2026-03-04_10:06");
    EXPECT_EQ(TestGrey(1020), 128);
    EXPECT_EQ(TestGrey(1012), 126);  // 126.5: halves to even
    EXPECT_EQ(TestGrey(2047), 255);
    EXPECT_EQ(TestGrey(3000), 255);
}

TEST(SelfTestPlanTest, EveryChannelEndsAtLevelTwoAndEachLitSetIsCheckedTheNextStep) {
    const auto& plan = SelfTestPlan();
    ASSERT_EQ(plan.size(), 111u);
    std::array<int, kTestChannels> setting{};
    setting.fill(-1);
    std::array<int, kTestChannels> level2Writes{};
    int writes = 0;
    for (const auto& step : plan)
        for (const auto& w : step.writes) {
            setting[static_cast<size_t>(w.channel)] = w.setting;
            level2Writes[static_cast<size_t>(w.channel)] += w.setting == kSettingLevel2;
            ++writes;
        }
    for (int ch = 0; ch < kTestChannels; ++ch) {
        EXPECT_EQ(setting[static_cast<size_t>(ch)], kSettingLevel2) << ch;
        EXPECT_EQ(level2Writes[static_cast<size_t>(ch)], 1) << ch;
    }
    EXPECT_EQ(writes, 8 + 384 * 2 + 24 * 16 * 2 + 16 * 24 * 2 + 384);  // A1-D1, all, columns, rows, level 2
    // Step 45 checks column 7 (index 6), lit in step 44.
    EXPECT_EQ(plan[45].check, TestCheck::Column);
    EXPECT_EQ(plan[45].checkIndex, 6);
    EXPECT_EQ(plan[44].writes.back().channel, 6 * 16 + 15);
    EXPECT_EQ(plan[44].writes.back().setting, kSettingOn);
    EXPECT_EQ(plan[20].pauseMs, 500);
    EXPECT_TRUE(plan[100].openReport);
    EXPECT_TRUE(plan[96].levelList);
    EXPECT_EQ(plan[3].prompt, TestPrompt::Proceed);
}

}  // namespace

// The simulator's levels follow the settings the self-test writes.

namespace {

using vondrel::testing::LinkTest;
using vondrel::testing::SimProcess;

TEST_F(LinkTest, SimulatorLevelsFollowTheSelfTestSettings) {
    SimProcess sim(folder_.Path(), 4, {"--mode", "word192", "--noise", "0"});
    OpenCom4();
    platform::SetTimeScale(0.2);
    struct Case {
        int setting, low, high;
    };
    for (const Case c : {Case{kSettingOn, 1700, 4095}, Case{kSettingOff, 0, 300}, Case{kSettingLevel2, 301, 1699}}) {
        sim.Set("setting", "all=" + std::to_string(c.setting));
        for (int k : {0, 32, 64, 96}) {
            ASSERT_EQ(QueryValueBlock(kCmdLevels, k, 0), 0);
            for (int v = 0; v < kBlockValues; ++v) {
                EXPECT_GE(g_block_value[static_cast<size_t>(v)], c.low) << c.setting;
                EXPECT_LE(g_block_value[static_cast<size_t>(v)], c.high) << c.setting;
            }
        }
    }
}

}  // namespace
