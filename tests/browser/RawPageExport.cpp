// Records a run's raw files with the run's own writer (station 1, 500-sample
// windows, levels that differ by window, channel and sample), then loads one
// page of the channel-signal view and writes its datafile.txt for well A1
// (beam 0 on channel 10, beam 1 on channel 20), for an independent reader.
//
// raw_page_export <project folder> <windows> <page>
// Prints the station folder; datafile.txt is written into it.

#include <cstdio>
#include <cstdlib>

#include "acquisition/Acquisition.h"
#include "browser/RawPage.h"
#include "browser/RawView.h"
#include "platform/Files.h"

using namespace vondrel;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <project folder> <windows> <page>\n", argv[0]);
        return 2;
    }
    g_project_folder = argv[1];
    const int windows = std::atoi(argv[2]);
    const int pageNumber = std::atoi(argv[3]);
    g_save_real = 1;
    g_dsp_method = 1;
    g_dsp_interval = 30;
    g_temperature = 22.0;
    g_channel_well.fill(0);
    for (auto& t : g_channel_threshold) t.fill(2.0);

    AcquisitionState st(500);
    st.m_acquisition_stamp = "run";
    st.SetTickedStations({true, false, false, false});
    st.ResetForPlay();
    const std::string folder = AcquisitionFolder(g_project_folder, "run", 1);
    platform::MakeFolder(folder);

    int closes = 0;
    while (closes < windows) {
        const int p = st.m_sample_index;
        for (int c = 0; c < kChannels; ++c)
            st.Sample(0, c, p) = static_cast<int16_t>(800 + (closes * 131 + c * 17 + p * 7) % 900);
        ConditionNewSample(st);
        if (AdvanceSample(st)) {
            ++closes;
            st.m_seconds_per_sample = 0.09;
            ThresholdAndCountWindow(st, 0);
            const RecordingResult r = RecordWindow(st, 0);
            for (const auto& m : r.messages) std::fprintf(stderr, "%s\n", m.c_str());
            if (r.failed) return 1;
            st.m_elapsed_minutes += 1;
        }
        st.m_tick_count += 1;
    }

    const int files = browser::CountRawFiles(folder);
    browser::RawPage page;
    page.Load(folder, pageNumber, 500);
    const std::vector<browser::RawTrace> traces{{0, 10, browser::TraceColour(0, 1)}, {1, 20, browser::TraceColour(1, 1)}};
    const std::string pageText = std::to_string(pageNumber) + "/" + std::to_string(browser::RawPageCount(files));
    const std::string text = browser::RawExportText("Export check", folder, "A1", pageText, page, traces);
    if (!platform::WriteTextFile(platform::JoinPath(folder, "datafile.txt"), text)) return 1;
    std::printf("%s\n", folder.c_str());
    return 0;
}
