// The temperature-sensor calibration: the factory record's check, the
// register values of a SET, and the record read from the simulator.
#include "LinkFixture.h"
#include "device/FactoryCal.h"

using namespace vondrel;
using namespace vondrel::testing;

namespace {

struct RecordCase {
    std::array<int, kFactoryRecordBytes> bytes;
    bool valid;
    double slope, offset;
};

TEST(FactoryRecord, CheckGivesTheLineOrTheDefaults) {
    const RecordCase cases[] = {
        {{0, 3, 24, 0, 31, 219, 0, 0}, true, 0.219, 3.1},
        {{0, 3, 24, 1, 19, 219, 0, 0}, true, 0.219, -1.9},
        {{0, 12, 99, 0, 100, 0x2C, 0x01, 0}, true, 0.3, 10.0},   // both limits included
        {{0, 3, 24, 0, 31, 0, 1, 0}, false, 0.219, 0.0},          // byte 5 = 0 (slope 0.256)
        {{0, 3, 24, 0, 150, 219, 0, 0}, false, 0.219, 0.0},       // offset 15.0
        {{0, 3, 24, 0, 31, 44, 0, 0}, false, 0.219, 0.0},         // slope 0.044
        {{0, 3, 24, -1, 31, 219, 0, 0}, false, 0.219, 0.0},       // a byte that could not be read
        {{1, 3, 24, 0, 31, 219, 0, 0}, false, 0.219, 0.0},        // not marked calibrated
        {{0, 13, 24, 0, 31, 219, 0, 0}, false, 0.219, 0.0},       // month 13
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        const SensorCalibration cal = CheckFactoryRecord(c.bytes);
        EXPECT_EQ(cal.valid, c.valid);
        EXPECT_DOUBLE_EQ(cal.slope, c.slope);
        EXPECT_NEAR(cal.offset, c.offset, 1e-12);
    }
    // The month, year and sign are kept from each byte that passed.
    const SensorCalibration cal = CheckFactoryRecord({0, 3, 24, 0, 150, 219, 0, 0});
    EXPECT_EQ(cal.month, 3);
    EXPECT_EQ(cal.year, 24);
    EXPECT_EQ(cal.sign, 0);
    EXPECT_EQ(FactoryCalibratedText(3, 24), "OK Last Factory Calibration 03/24 [mm/yy]");
}

TEST(FactoryRecord, SetPlansTheRegistersOrRefusesBeforeAnyWrite) {
    FactorySetPlan p = PlanFactorySet(100, 0.219, "25.0", 3, 26);
    ASSERT_EQ(p.refusal, "");
    EXPECT_NEAR(p.offset, 3.1, 1e-9);
    EXPECT_EQ(p.registers, (std::array<int, 7>{0, 3, 26, 0, 31, 219, 0}));
    p = PlanFactorySet(100, 0.219, "20", 3, 26);
    EXPECT_NEAR(p.offset, -1.9, 1e-9);
    EXPECT_EQ(p.registers[3], 1);
    EXPECT_EQ(p.registers[4], 19);
    // The reference with a decimal comma; a slope above 0.255 uses the high byte.
    p = PlanFactorySet(100, 0.3, "30,5", 1, 0);
    EXPECT_NEAR(p.offset, 0.5, 1e-9);
    EXPECT_EQ(p.registers, (std::array<int, 7>{0, 1, 0, 0, 5, 44, 1}));

    const std::string range = "invalid Calibration Parameter: value must be between 4°C and 50°C";
    const std::string offset = "invalid Calibration Parameter: offset must be between -10°C and 10°C";
    const std::pair<int, std::string> refused[] = {{100, "3.9"}, {100, "50.1"}, {100, "abc"}};
    for (const auto& [raw, text] : refused) EXPECT_EQ(PlanFactorySet(raw, 0.219, text, 3, 26).refusal, range) << text;
    EXPECT_EQ(PlanFactorySet(-1, 0.219, "25", 3, 26).refusal, "COM Error");
    EXPECT_EQ(PlanFactorySet(200, 0.219, "50", 3, 26).refusal, "");          // 6.2
    EXPECT_EQ(PlanFactorySet(0, 0.219, "10.1", 3, 26).refusal, offset);      // 10.1
    EXPECT_EQ(PlanFactorySet(200, 0.219, "4", 3, 26).refusal, offset);       // -39.8
}

class SensorCalibrationRead : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        platform::SetTimeScale(0.2);  // read time-outs of 40 ms: the simulator meets them under load
        g_temp_slope = 1;
        g_temp_offset = 1;
        g_factory_cal_valid = 0;
    }
};

TEST_F(SensorCalibrationRead, DefaultSetAndFlakyRecords) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    ReadSensorCalibration();  // the simulator's own record: 01/25, +0.0, 0.219
    EXPECT_EQ(g_factory_cal_valid, kTrue);
    EXPECT_EQ(g_factory_cal_month, 1);
    EXPECT_EQ(g_factory_cal_year, 25);
    EXPECT_DOUBLE_EQ(g_temp_slope, 0.219);
    EXPECT_DOUBLE_EQ(g_temp_offset, 0.0);

    sim.Set("factory", "0,3,24,1,19,0x2C,1");
    ReadSensorCalibration();
    EXPECT_EQ(g_factory_cal_valid, kTrue);
    EXPECT_EQ(g_factory_cal_month, 3);
    EXPECT_EQ(g_factory_cal_sign, 1);
    EXPECT_DOUBLE_EQ(g_temp_slope, 0.3);
    EXPECT_DOUBLE_EQ(g_temp_offset, -1.9);

    // Byte 4's two reads never agree: after three attempts the record is
    // invalid and the defaults apply.
    sim.Set("flaky-read", "132");
    sim.MarkLog();
    ReadSensorCalibration();
    EXPECT_EQ(g_factory_cal_valid, 0);
    EXPECT_DOUBLE_EQ(g_temp_slope, 0.219);
    EXPECT_DOUBLE_EQ(g_temp_offset, 0.0);
    const auto frames = sim.FramesSinceMark();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "FF 03 20 84 F0"), 6);

    // An unanswered byte resynchronises with the identification frame.
    sim.Set("flaky-read", "-1");
    sim.Set("mute-read", "129");
    sim.MarkLog();
    ReadSensorCalibration();
    EXPECT_EQ(g_factory_cal_valid, 0);
    const auto muted = sim.FramesSinceMark();
    EXPECT_EQ(std::count(muted.begin(), muted.end(), "FF 03 00 00 F0"), 3);
}

}  // namespace
