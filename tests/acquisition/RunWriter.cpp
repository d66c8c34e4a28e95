// Writes a run's data files without the instrument, for the independent
// reader of the test suite: stations 1 and 3, 500-sample windows, levels of
// 1200 with two-sample dips to 0 on channel 10 of station 1 (at 100, 200 and
// 300) and on channel 20 of station 3 (at 150), temperature 23.25 degrees.
//
// acquisition_run_writer <project folder> <windows> <body-bends 0|1> <raw 0|1>
//                        [<first> <last>]
// The station folders are <project folder>/run_s1 and run_s3. With <first>
// and <last>, windows first..last (from 0) find the disk full: no file may
// grow past the size counts.bin had before the first of them. The end of the
// run prints its message ("Acquisition finished" ...) on standard output.

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "acquisition/Acquisition.h"
#include "platform/Files.h"

using namespace vondrel;

namespace {

int16_t Level(int k, int c, int p) {
    if (k == 0 && c == 10 && (p == 100 || p == 101 || p == 200 || p == 201 || p == 300 || p == 301)) return 0;
    if (k == 2 && c == 20 && (p == 150 || p == 151)) return 0;
    return 1200;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: %s <project folder> <windows> <body-bends 0|1> <raw 0|1> [<first> <last>]\n",
                     argv[0]);
        return 2;
    }
    const int full_first = argc == 7 ? std::atoi(argv[5]) : -1;
    const int full_last = argc == 7 ? std::atoi(argv[6]) : -1;
    struct rlimit unlimited {};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    g_project_folder = argv[1];
    const int windows = std::atoi(argv[2]);
    const auto body_bends = static_cast<int16_t>(std::atoi(argv[3]));
    g_save_real = static_cast<int16_t>(std::atoi(argv[4]));
    g_dsp_method = 1;
    g_dsp_interval = 30;
    g_temperature = 23.25;
    g_channel_well.fill(0);
    for (auto& t : g_channel_threshold) t.fill(2.0);

    AcquisitionState st(500);
    st.m_acquisition_stamp = "run";
    st.SetTickedStations({true, false, true, false});
    st.ResetForPlay();
    for (int n : {1, 3}) platform::MakeFolder(AcquisitionFolder(g_project_folder, "run", n));

    int closes = 0;
    while (closes < windows) {
        const int p = st.m_sample_index;
        for (int k : {0, 2})
            for (int c = 0; c < kChannels; ++c) st.Sample(k, c, p) = Level(k, c, p);
        ConditionNewSample(st);
        if (AdvanceSample(st)) {
            ++closes;
            st.m_seconds_per_sample = 0.09;
            ThresholdAndCountWindow(st, body_bends);
            const int w = closes - 1;
            const bool full = w >= full_first && w <= full_last;
            if (w == full_first) {
                struct rlimit limit = unlimited;
                limit.rlim_cur = static_cast<rlim_t>(w) * kCountsRecordBytes;
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            const RecordingResult r = RecordWindow(st, body_bends);
            if (w == full_last) setrlimit(RLIMIT_FSIZE, &unlimited);
            for (const auto& m : r.messages) std::fprintf(stderr, "%s\n", m.c_str());
            if (r.failed && !full) return 1;
            st.m_elapsed_minutes += 1;
            st.m_elapsed_minutes_exact += 0.75;
        }
        st.m_tick_count += 1;
    }
    for (const auto& m : SyncRunFiles(st)) std::fprintf(stderr, "%s\n", m.c_str());
    std::printf("%s\n", RunFinishedMessage(st).c_str());
    return 0;
}
