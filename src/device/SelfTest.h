// The device self-test without the instrument: the plan of its 111 steps,
// the checks of lit and dark channels with their captions and report lines,
// and the grey of a grid cell.
//
// Channel = column x 16 + row (columns 0..23 shown 1..24, rows 0..15 shown
// A..P). Levels are judged on a 2048 scale.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vondrel {

inline constexpr int kTestChannels = 384;
inline constexpr int kTestLastStep = 110;
inline constexpr int kTestFailedStep = 121;  // after a failed channel write
inline constexpr int kSettingOn = 231;       // gain 7, power 7
inline constexpr int kSettingOff = 0;
inline constexpr int kSettingLevel2 = 66;    // gain 2, power 2
inline constexpr double kTestLitLimit = 0.8 * 2048;  // a lit channel reaches it
inline constexpr int kTestDarkLimit = 1024;          // a dark channel stays at or below it

using TestLevels = std::array<int16_t, kTestChannels + 1>;

enum class TestPrompt { None, Message, Proceed };
enum class TestCheck { None, AllOn, AllOff, Column, Row };

struct TestWrite {
    int channel;
    int setting;  // gain * 32 + power
};

// One step of the plan, performed in this order: caption, prompt, report
// lines, check, writes, level list, opening of the report, pause.
struct SelfTestStep {
    std::string caption;                 // "" keeps the caption
    TestPrompt prompt = TestPrompt::None;
    std::string promptText;
    std::vector<std::string> reportLines;
    TestCheck check = TestCheck::None;
    int checkIndex = 0;                  // column or row
    std::vector<TestWrite> writes;
    bool levelList = false;              // the "Gain/Power[2] Values:" section
    bool openReport = false;
    int pauseMs = 0;
};

// Steps 0..110.
const std::vector<SelfTestStep>& SelfTestPlan();

struct TestCheckResult {
    std::string caption;
    std::vector<std::string> lines;  // report lines
};
TestCheckResult CheckAllOn(const TestLevels& levels);
TestCheckResult CheckAllOff(const TestLevels& levels);
TestCheckResult CheckColumn(const TestLevels& levels, int column);
TestCheckResult CheckRow(const TestLevels& levels, int row);

// Whole percent of the 2048 scale, rounded down (1500 gives 73).
int TestPercent(int level);
// "CH[17] 45%".
std::string TestLevelLine(int channel, int level);
// "Serial:SN42 2026-03-04_10:06".
std::string TestReportHeader(int id, int year, int month, int day, int hour, int minute);
// Grey of a cell: level / 8 rounded (halves to even), at most 255.
int TestGrey(int level);

}  // namespace vondrel
