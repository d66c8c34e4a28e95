// A started program with project 1 and, when asked, the simulated
// instrument on its COM port, connected; an injected clock; helpers to tick
// stations and to press Play with a name.
#pragma once

#include <QCheckBox>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Clock.h"
#include "store/Project.h"

namespace vondrel::testing {

class RunTest : public WindowTest {
protected:
    RunTest() {
        platform::SetClockForTest([this] { return now_; });
        now_ = platform::FromLocal({2026, 3, 4, 10, 6, 0});
    }
    ~RunTest() override { platform::SetClockForTest({}); }

    // Starts the program on a fresh folder, makes project 1 the current
    // project, and (with `instrument`) starts the simulator and connects.
    void StartRun(bool instrument = true, std::vector<std::string> simArgs = {}) {
        Prepare();
        ASSERT_TRUE(Start());
        g_project_number = 1;
        g_project_name = "Test";
        g_project_folder = (std::filesystem::path(home.Path()) / "p00001").string();
        std::filesystem::create_directories(g_project_folder);
        ASSERT_TRUE(SaveProject(g_project_folder, 1, -1));
        main().mnCalibra->setCheckState(Qt::Checked);
        main().mnZero->setCheckState(Qt::Checked);
        // Play's station auto-calibration and auto-zero are tested on their
        // own; elsewhere Play goes straight to the tick.
        main().m_auto_calibration = 0;
        main().m_auto_zero = 0;
        if (!instrument) return;
        ScaleForSimulator();
        sim = std::make_unique<SimProcess>(home.Path(), g_com_port, simArgs);
        main().cmd_connect_Click();
        ASSERT_EQ(g_connected, kTrue);
    }

    static Frm_Main& main() { return FrmMain(); }

    static void TickStations(std::initializer_list<int> stations) {
        for (int k = 0; k < 4; ++k) main().chk_enabled[k]->setCheckState(Qt::Unchecked);
        for (int n : stations) main().chk_enabled[n - 1]->setCheckState(Qt::Checked);
    }

    // The name prompt with both automatic calibration and zero ticked.
    static std::string NamePrompt() {
        const std::string stars(49, '*');
        return stars + "\r\n***   Enter a Name for this Experiment  ***\r\n" + stars + "\r\n";
    }

    // Presses Play, answering the name box with `name`; the tick is then
    // stopped so the test drives it.
    void Play(const std::string& name = "Run A") {
        boxes.ExpectInput(NamePrompt(), name);
        main().CmdPlay_Click();
        main().Timeradq->stop();
    }

    std::string StationFolder(int n) const {
        return AcquisitionFolder(g_project_folder, main().m_run.m_acquisition_stamp, n);
    }

    platform::TimePoint now_;
    std::unique_ptr<SimProcess> sim;
};

}  // namespace vondrel::testing
