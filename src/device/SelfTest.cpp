#include "device/SelfTest.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Numbers.h"

// The plan names only the fields each step uses; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vondrel {

namespace {

std::vector<TestWrite> Writes(const std::vector<int>& channels, int setting) {
    std::vector<TestWrite> w;
    for (int c : channels) w.push_back({c, setting});
    return w;
}
std::vector<int> RowChannels(int r) {
    std::vector<int> c;
    for (int col = 0; col < 24; ++col) c.push_back(r + 16 * col);
    return c;
}
std::vector<int> ColumnChannels(int col) {
    std::vector<int> c;
    for (int r = 0; r < 16; ++r) c.push_back(16 * col + r);
    return c;
}
void Append(std::vector<TestWrite>& to, const std::vector<TestWrite>& more) { to.insert(to.end(), more.begin(), more.end()); }

std::vector<SelfTestStep> BuildPlan() {
    std::vector<SelfTestStep> plan(kTestLastStep + 1);
    plan[1] = {.prompt = TestPrompt::Message, .promptText = "Turning ON A1-D1", .writes = Writes({0, 1, 2, 3}, kSettingOn)};
    plan[2] = {.prompt = TestPrompt::Message, .promptText = "Turning OFF A1-D1", .writes = Writes({0, 1, 2, 3}, kSettingOff)};
    plan[3] = {.prompt = TestPrompt::Proceed, .promptText = "OK to proceed?"};
    for (int s = 4; s <= 19; ++s) plan[s] = {.caption = "[ON ALL]", .writes = Writes(RowChannels(s - 4), kSettingOn), .pauseMs = 100};
    plan[20] = {.check = TestCheck::AllOn, .pauseMs = 500};
    for (int s = 21; s <= 36; ++s) plan[s] = {.caption = "[OFF ALL]", .writes = Writes(RowChannels(s - 21), kSettingOff), .pauseMs = 100};
    plan[37] = {.check = TestCheck::AllOff, .pauseMs = 500};
    plan[38] = {.caption = "[1 COLUMN]", .reportLines = {"", "Test_24_Columns:"}, .writes = Writes(ColumnChannels(0), kSettingOn), .pauseMs = 100};
    for (int s = 39; s <= 61; ++s) {
        plan[s] = {.caption = "[1 COLUMN]", .check = TestCheck::Column, .checkIndex = s - 39, .pauseMs = 100};
        plan[s].writes = Writes(ColumnChannels(s - 39), kSettingOff);
        Append(plan[s].writes, Writes(ColumnChannels(s - 38), kSettingOn));
    }
    plan[62] = {.check = TestCheck::Column, .checkIndex = 23, .writes = Writes(ColumnChannels(23), kSettingOff), .pauseMs = 500};
    plan[63] = {.caption = "[1 ROW]", .reportLines = {"", "Test_16_Rows:"}, .writes = Writes(RowChannels(0), kSettingOn), .pauseMs = 100};
    for (int s = 64; s <= 78; ++s) {
        plan[s] = {.caption = "[1 ROW]", .check = TestCheck::Row, .checkIndex = s - 64, .pauseMs = 100};
        plan[s].writes = Writes(RowChannels(s - 64), kSettingOff);
        Append(plan[s].writes, Writes(RowChannels(s - 63), kSettingOn));
    }
    plan[79] = {.check = TestCheck::Row, .checkIndex = 15, .writes = Writes(RowChannels(15), kSettingOff)};
    for (int s = 80; s <= 95; ++s) {
        const int r = s - 80;
        plan[s].caption = "[GAIN/POWER=2]";
        for (int c = 0; c < 12; ++c) {
            plan[s].writes.push_back({r + 16 * c, kSettingLevel2});
            plan[s].writes.push_back({383 - r - 16 * c, kSettingLevel2});
        }
    }
    plan[96] = {.reportLines = {"", "Gain/Power[2] Values:"}, .levelList = true};
    plan[100] = {.openReport = true};
    return plan;
}

std::string Item(int channel, int level) {
    return "CH" + std::to_string(channel) + "[" + std::to_string(TestPercent(level)) + "%], ";
}

bool Lit(int level) { return level >= kTestLitLimit; }
bool Dark(int level) { return level <= kTestDarkLimit; }

// A check of one lit set (`lit(ch)`): the lit and dark counts and lists.
struct Tally {
    int litCount = 0, darkCount = 0;
    std::string litList, darkList;
};
template <typename IsLit>
Tally Count(const TestLevels& levels, IsLit lit) {
    Tally t;
    for (int ch = 0; ch < kTestChannels; ++ch) {
        const int level = levels[static_cast<size_t>(ch)];
        if (lit(ch)) {
            if (Lit(level)) ++t.litCount;
            else t.litList += Item(ch, level);
        } else {
            if (Dark(level)) ++t.darkCount;
            else t.darkList += Item(ch, level);
        }
    }
    return t;
}

TestCheckResult Single(const std::string& name, const Tally& t, int litWanted) {
    if (t.litCount == litWanted && t.darkCount == kTestChannels - litWanted)
        return {name + ": PASS!", {name + ": PASS!"}};
    return {name + ": CHECK!",
            {name + ": NONPASS " + std::to_string(t.litCount) + "CH > 80% (NONOK:" + t.litList + "); " +
             std::to_string(t.darkCount) + "CH < 20% (NONOK:" + t.darkList + ")"}};
}

}  // namespace

const std::vector<SelfTestStep>& SelfTestPlan() {
    static const std::vector<SelfTestStep> plan = BuildPlan();
    return plan;
}

int TestPercent(int level) { return static_cast<int>(std::floor(level / 2048.0 * 100.0)); }

std::string TestLevelLine(int channel, int level) {
    return "CH[" + std::to_string(channel) + "] " + std::to_string(TestPercent(level)) + "%";
}

std::string TestReportHeader(int id, int year, int month, int day, int hour, int minute) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d:%02d", year, month, day, hour, minute);
    return "Serial:SN" + std::to_string(id) + " " + stamp;
}

int TestGrey(int level) { return std::min(255, static_cast<int>(RoundHalfEven(level / 8.0))); }

TestCheckResult CheckAllOn(const TestLevels& levels) {
    const Tally t = Count(levels, [](int) { return true; });
    if (t.litCount == kTestChannels)
        return {"[Test100%=PASS!]", {"", "Test_all_100%: OK PASS!", "Number of Channels > 80% = 384"}};
    return {"[Test100%= CHECK!]",
            {"", "Test_all_100%:  NEEDS REVISION!", "Number of Channels > 80% = " + std::to_string(t.litCount),
             "Channels < 80%: " + t.litList}};
}

TestCheckResult CheckAllOff(const TestLevels& levels) {
    const Tally t = Count(levels, [](int) { return false; });
    if (t.darkCount == kTestChannels)
        return {"[Test0%=PASS!]", {"", "Test_all_0%: OK PASS!", "Number of Channels < 20% = 384"}};
    return {"[Test0%= CHECK!]",
            {"", "Test_all_0%:  NEEDS REVISION!", "Number of Channels < 20% = " + std::to_string(t.darkCount),
             "Channels > 20%: " + t.darkList}};
}

TestCheckResult CheckColumn(const TestLevels& levels, int column) {
    const Tally t = Count(levels, [column](int ch) { return ch / 16 == column; });
    return Single("Col[" + std::to_string(column + 1) + "]", t, 16);
}

TestCheckResult CheckRow(const TestLevels& levels, int row) {
    const Tally t = Count(levels, [row](int ch) { return ch % 16 == row; });
    return Single("Row[" + std::string(1, static_cast<char>('A' + row)) + "]", t, 24);
}

}  // namespace vondrel
