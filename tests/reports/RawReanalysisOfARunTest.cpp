// A run recorded by the acquisition's own window close with raw recording on,
// then counted again from its raw files with "Replace old data".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "ReportFixture.h"
#include "ScriptedDialogs.h"
#include "acquisition/Acquisition.h"
#include "detection/EventCounter.h"
#include "platform/Files.h"
#include "reports/RawReanalysis.h"

namespace vondrel::reports {
namespace {

using testing::CrLf;
using testing::RecordedRun;
using testing::RecordingOpener;
using vondrel::testing::ScriptedDialogs;

constexpr int kWindows = 20;  // two raw files

// Records kWindows windows of noisy levels with random dips into the folder
// of station 1 of the run "20261210_0900" below `project`.
void RecordRun(const std::string& project) {
    g_project_folder = project;
    g_save_real = 1;
    g_dsp_method = 1;
    g_dsp_interval = 30;
    g_temperature = 23.25;
    g_channel_well.fill(0);
    AcquisitionState st(500);
    st.m_acquisition_stamp = "20261210_0900";
    st.m_snr_threshold = 1.8;
    st.SetTickedStations({true, false, false, false});
    st.ResetForPlay();
    uint32_t s = 7;
    std::vector<int> dipLeft(kChannels, 0);
    int closes = 0;
    while (closes < kWindows) {
        const int p = st.m_sample_index;
        for (int c = 0; c < kChannels; ++c) {
            s = s * 1664525u + 1013904223u;
            if (dipLeft[static_cast<size_t>(c)] == 0 && (s >> 22) % 97 == 0) dipLeft[static_cast<size_t>(c)] = 2 + static_cast<int>((s >> 8) % 6);
            int level = 1800 + static_cast<int>((s >> 12) % 41) - 20;
            if (dipLeft[static_cast<size_t>(c)] > 0) {
                level -= 400 + static_cast<int>((s >> 4) % 600);
                --dipLeft[static_cast<size_t>(c)];
            }
            st.Sample(0, c, p) = static_cast<int16_t>(level);
        }
        ConditionNewSample(st);
        if (AdvanceSample(st)) {
            ++closes;
            st.m_seconds_per_sample = 0.09;
            ThresholdAndCountWindow(st, 0);
            const RecordingResult r = RecordWindow(st, 0);
            ASSERT_EQ(r.failed, 0);
            st.m_elapsed_minutes += 1;
        }
        st.m_tick_count += 1;
    }
    SyncRunFiles(st);
}

int16_t At(const std::string& counts, int record, int element) {
    int16_t v = 0;
    std::memcpy(&v, counts.data() + record * 774 + 4 + element * 2, 2);
    return v;
}

TEST(RawReanalysisOfARun, ReplaceGivesTheRecountOfTheStoredBlocksAndIsStable) {
    RecordedRun run;
    const std::string savedProject = g_project_folder;
    const auto savedWells = g_channel_well;
    const auto savedMethod = g_dsp_method, savedInterval = g_dsp_interval;
    const double savedTemperature = g_temperature;
    std::filesystem::remove(run.folder + "/counts.bin");
    run.project.Write("20261210_0900_s1/setup.dat",
                      CrLf({"\"Project\"", "\"name\",\"x\",\"y\",\"w6t\"", "\"Values\"", "0,0,0,500,1,0", "\"h5\"", "1",
                            "\"h7\"", "1", "\"Mn1\"", "0,0,0,18,0,0"}));
    RecordRun(run.project.Path());
    g_project_folder = savedProject;
    g_save_real = 0;
    g_channel_well = savedWells;
    g_dsp_method = savedMethod;
    g_dsp_interval = savedInterval;
    g_temperature = savedTemperature;
    const std::string recorded = run.project.Read("20261210_0900_s1/counts.bin");
    ASSERT_EQ(recorded.size(), kWindows * 774u);

    RecordingOpener opener;
    ScriptedDialogs boxes;
    ReportData data;
    ReanalysisControls c;
    c.report.inputFolder = run.folder;
    c.report.binText = "5";
    c.report.autoReport = true;
    c.replace = true;
    c.thresholdText = "1.8";
    c.method = 1;
    c.organism = 0;
    ReanalysisHooks hooks;
    hooks.workers = 4;
    ASSERT_EQ(RunRawReanalysis(data, c, hooks), ReanalysisEnd::Reported);
    const std::string replaced = run.project.Read("20261210_0900_s1/counts.bin");
    ASSERT_EQ(replaced.size(), recorded.size());

    // The test's own re-count of the stored (already clipped) blocks.
    const size_t blockLevels = 501 * 385;
    int differing = 0, windows = 0;
    for (int r = 0; r < kWindows; ++r) {
        EXPECT_EQ(replaced.substr(static_cast<size_t>(r) * 774, 4), recorded.substr(static_cast<size_t>(r) * 774, 4));
        EXPECT_EQ(At(replaced, r, 384), At(recorded, r, 384)) << "temperature";
        const auto raw = platform::ReadBinaryFile(run.folder + "/" + std::to_string(r / 11) + ".bin").value_or("");
        ASSERT_GE(raw.size(), (static_cast<size_t>(r % 11) + 1) * blockLevels * 2);
        std::vector<int16_t> block(blockLevels);
        std::memcpy(block.data(), raw.data() + static_cast<size_t>(r % 11) * blockLevels * 2, blockLevels * 2);
        for (int ch = 0; ch < 12; ++ch) {
            const int16_t again = CountEvents(SampleWindow(block, 385), static_cast<int16_t>(ch), 1.8, 1, 0, "", 0);
            EXPECT_EQ(At(replaced, r, ch), again) << r << " " << ch;
            ++windows;
            if (At(recorded, r, ch) != again) ++differing;
        }
    }
    std::printf("channel windows whose re-count differs from the run's count: %d of %d\n", differing, windows);

    // A second replacement with the same settings leaves the file as it is.
    ReanalysisControls again = c;
    ASSERT_EQ(RunRawReanalysis(data, again, hooks), ReanalysisEnd::Reported);
    EXPECT_EQ(run.project.Read("20261210_0900_s1/counts.bin"), replaced);
}

}  // namespace
}  // namespace vondrel::reports
