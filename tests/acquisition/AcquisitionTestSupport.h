// Shared set-up of the acquisition tests: program-wide values back at their
// standard run settings before each test.
#pragma once

#include <gtest/gtest.h>

#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/AcquisitionState.h"
#include "store/Globals.h"

namespace vondrel::testing {

class AcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_rt_buffer = 500;
        g_dsp_interval = 30;
        g_dsp_method = 1;
        g_save_real = 1;
        g_channel_well.fill(0);
        for (auto& t : g_channel_threshold) t.fill(2.0);
        g_temperature = 25.0;
        g_temperature_setpoint = 25.0;
        g_temp_slope = 0.219;
        g_temp_offset = 0.0;
        g_project_folder.clear();
    }
};

inline std::array<bool, kStations> Ticked(std::initializer_list<int> stations) {
    std::array<bool, kStations> t{};
    for (int s : stations) t[static_cast<size_t>(s - 1)] = true;
    return t;
}

}  // namespace vondrel::testing
