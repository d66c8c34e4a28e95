// Decisions of the window close: sample period, temperature, climate control
// around the set-point, light by the hour.

#include <gtest/gtest.h>

#include <chrono>

#include "AcquisitionTestSupport.h"
#include "acquisition/WindowClose.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::Ticked;

namespace {

class WindowClose : public AcquisitionTest {};

TEST_F(WindowClose, SecondsPerSampleToThreeDecimals) {
    struct Case {
        double seconds;
        int samples;
        double expected;
    } cases[] = {
        {45.0, 500, 0.09},
        {45.4321, 500, 0.091},   // 0.0908642
        {70.0, 500, 0.14},
        {0.0, 500, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_DOUBLE_EQ(SecondsPerSample(c.seconds / 86400.0, c.samples), c.expected);
    }
}

TEST_F(WindowClose, TemperatureConversionAndTenths) {
    EXPECT_DOUBLE_EQ(TemperatureFromRaw(100), 21.9);
    g_temp_offset = -1.5;
    EXPECT_DOUBLE_EQ(TemperatureFromRaw(100), 20.4);

    struct Case {
        double degrees;
        int16_t tenths;
    } cases[] = {{23.25, 232}, {23.75, 238}, {23.26, 233}, {21.9, 219}, {-0.219, -2}, {-0.25, -2}, {0.0, 0}};
    for (const auto& c : cases) EXPECT_EQ(TemperatureTenths(c.degrees), c.tenths) << c.degrees;
}

// Set-point 25.0: the direction follows the side 0.5 degrees or more away,
// the actuator runs 0.6 degrees or more away; within 0.5 the direction stays.
TEST_F(WindowClose, ClimateControlAroundTheSetPoint) {
    const ClimateState heat_on{-1, -1}, cool_on{0, -1};
    struct Case {
        const char* name;
        double temperature;
        int16_t control;
        ClimateState before, after;
    } cases[] = {
        {"25.55 cools, actuator off", 25.55, -1, heat_on, {0, 0}},
        {"25.7 cools", 25.7, -1, heat_on, {0, -1}},
        {"24.45 heats, actuator off", 24.45, -1, cool_on, {-1, 0}},
        {"24.3 heats", 24.3, -1, cool_on, {-1, -1}},
        {"25.2 keeps heating direction", 25.2, -1, heat_on, {-1, 0}},
        {"25.2 keeps cooling direction", 25.2, -1, cool_on, {0, 0}},
        {"24.8 keeps heating direction", 24.8, -1, heat_on, {-1, 0}},
        {"10.0 is off", 10.0, -1, heat_on, {0, 0}},
        {"38.0 is off", 38.0, -1, heat_on, {0, 0}},
        {"-0.2 is off", -0.219, -1, heat_on, {0, 0}},
        {"10.1 heats", 10.1, -1, cool_on, {-1, -1}},
        {"37.9 cools", 37.9, -1, heat_on, {0, -1}},
        {"control disabled", 20.0, 0, heat_on, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecideClimate(c.temperature, 25.0, c.control, c.before), c.after);
    }
}

// Light on at 8, off at 20: switched only during the hour named.
TEST_F(WindowClose, LightByTheHour) {
    struct Case {
        const char* name;
        int hour, on, off;
        int16_t schedule, before, after;
    } cases[] = {
        {"on-hour", 8, 8, 20, -1, 0, -1},
        {"hour after on keeps off", 9, 8, 20, -1, 0, 0},
        {"hour after on keeps on", 9, 8, 20, -1, -1, -1},
        {"19 keeps on", 19, 8, 20, -1, -1, -1},
        {"off-hour", 20, 8, 20, -1, -1, 0},
        {"night keeps off", 3, 8, 20, -1, 0, 0},
        {"equal hours leave it off", 8, 8, 8, -1, -1, 0},
        {"dark period over midnight, off-hour", 6, 22, 6, -1, -1, 0},
        {"dark period over midnight, on-hour", 22, 22, 6, -1, 0, -1},
        {"schedule off keeps the state", 8, 8, 20, 0, 0, 0},
        {"schedule off keeps on", 20, 8, 20, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LightByHour(c.hour, c.on, c.off, c.schedule, c.before), c.after);
    }
}

// A query without a reply is no reading: 0 degrees (what the records and
// reports take as "no reading") and "--" until a reading comes back.
TEST_F(WindowClose, TemperatureReadingAndAddress) {
    AcquisitionState st(500);
    ApplyTemperatureReading(st, 100);
    EXPECT_DOUBLE_EQ(g_temperature, 21.9);
    EXPECT_EQ(st.m_temperature_text, "21.9");
    EXPECT_FALSE(st.m_temperature_missing);
    ApplyTemperatureReading(st, -1);
    EXPECT_EQ(g_temperature, 0.0);
    EXPECT_EQ(TemperatureTenths(g_temperature), 0);
    EXPECT_EQ(st.m_temperature_text, "--");
    EXPECT_TRUE(st.m_temperature_missing);
    ApplyTemperatureReading(st, 0);  // a real reading of raw 0
    EXPECT_EQ(st.m_temperature_text, "0.0");
    EXPECT_FALSE(st.m_temperature_missing);

    st.SetTickedStations(Ticked({2}));
    EXPECT_EQ(TemperatureAddress(st), 0);
    st.SetTickedStations(Ticked({2, 4}));
    EXPECT_EQ(TemperatureAddress(st), 3);
}

TEST_F(WindowClose, DecisionsLandInTheState) {
    AcquisitionState st(500);
    st.m_temp_control = -1;
    st.m_light_schedule = -1;
    g_temperature = 23.0;
    g_temperature_setpoint = 25.0;
    const platform::TimePoint start{};
    st.m_window_start = ToDays(start);
    DecideWindowClose(st, ToDays(start + std::chrono::seconds(45)), 8, 8, 20);
    EXPECT_DOUBLE_EQ(st.m_seconds_per_sample, 0.09);
    EXPECT_EQ(st.m_heating, -1);
    EXPECT_EQ(st.m_temp_actuator_on, -1);
    EXPECT_EQ(st.m_light_on, -1);
}

// Without a reading nothing tells how warm the plate is: every close without
// one switches the heater or cooler off (direction cool), whatever the
// set-point and the state before; the next reading decides again.
TEST_F(WindowClose, MissingTemperatureSwitchesTheActuatorOffUntilReadingsReturn) {
    struct Case {
        double setpoint;
        int16_t heating, actuator_on;
    };
    for (const Case c : {Case{25.0, -1, -1}, Case{30.0, -1, -1}, Case{15.0, 0, -1}, Case{25.0, -1, 0}}) {
        SCOPED_TRACE(::testing::Message() << "set-point " << c.setpoint << ", heating " << c.heating);
        AcquisitionState st(500);
        st.m_temp_control = -1;
        g_temperature_setpoint = c.setpoint;
        st.m_heating = c.heating;
        st.m_temp_actuator_on = c.actuator_on;
        ApplyTemperatureReading(st, -1);
        DecideWindowClose(st, 0.0, 12, 8, 20);
        EXPECT_EQ(st.m_heating, 0);
        EXPECT_EQ(st.m_temp_actuator_on, 0);
        EXPECT_EQ(g_temperature, 0.0);
        EXPECT_EQ(st.m_temperature_text, "--");
        // Still no reading at the next close: still off.
        DecideWindowClose(st, 0.0, 12, 8, 20);
        EXPECT_EQ(st.m_temp_actuator_on, 0);
    }
    // The reading is back (30.66 degrees) with the set-point at 25: cool.
    AcquisitionState st(500);
    st.m_temp_control = -1;
    g_temperature_setpoint = 25.0;
    ApplyTemperatureReading(st, -1);
    DecideWindowClose(st, 0.0, 12, 8, 20);
    ApplyTemperatureReading(st, 140);
    DecideWindowClose(st, 0.0, 12, 8, 20);
    EXPECT_EQ(st.m_heating, 0);
    EXPECT_EQ(st.m_temp_actuator_on, -1);
    // 15.x degrees with the set-point at 25: heat.
    ApplyTemperatureReading(st, 70);
    DecideWindowClose(st, 0.0, 12, 8, 20);
    EXPECT_EQ(st.m_heating, -1);
    EXPECT_EQ(st.m_temp_actuator_on, -1);
}

TEST_F(WindowClose, BodyBendsPlotPositionWraps) {
    AcquisitionState st(500);
    st.m_bends_plot_limit = 127;
    AdvanceBendsPlot(st);
    EXPECT_EQ(st.m_bends_plot_offset, 64);
    AdvanceBendsPlot(st);
    EXPECT_EQ(st.m_bends_plot_offset, 0);  // 128 reaches the limit
}

}  // namespace
