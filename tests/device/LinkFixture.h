// A test with its own program folder, the serial port table reset and a
// time scale, so silent cases cost milliseconds.
#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "SimProcess.h"
#include "TempFolder.h"
#include "device/ModCOMM.h"
#include "platform/Events.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

namespace vondrel::testing {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetProgramFolderForTest(folder_.Path());
        platform::SetTimeScale(1.0);
        g_com_port = 4;
        g_offline = 0;
        g_comm_error_code = 0;
        g_comm_error_source.clear();
        g_comm_error_text.clear();
    }
    void TearDown() override {
        for (int16_t p = 1; p <= kCommPortCount; ++p) CommClose(p);
        platform::SetTimeScale(1.0);
        platform::SetReplyTimeoutScale(0);
    }
    static std::string Settings() { return "baud=1000000 parity=N data=8 stop=1"; }
    void OpenCom4() { ASSERT_EQ(CommOpen(4, "COM4", Settings()), 0) << g_comm_error_source << ": " << g_comm_error_text; }

    TempFolder folder_;
};

// Milliseconds taken by f().
template <typename F>
double ElapsedMs(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

inline std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

}  // namespace vondrel::testing
