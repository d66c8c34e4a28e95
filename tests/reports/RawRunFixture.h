// A recorded run of the report fixture with raw files beside its counts.bin.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "RawFixture.h"
#include "ReportFixture.h"
#include "detection/EventCounter.h"
#include "reports/RawReanalysis.h"

namespace vondrel::reports::testing {

inline const std::string kSetup = CrLf({"\"Project\"", "\"name\",\"x\",\"y\",\"w6t\"", "\"Values\"", "0,0,0,500,1,",
                                        "\"h5\"", "1", "\"h7\"", "1", "\"Mn1\"", "0,0,0,18,,", "\"tail\",\"a,b\""});

// The recorded run of the report fixture with raw files: records at the given
// minutes, each with its own block, and a setup.dat of 500-sample windows.
struct RawRun : RecordedRun {
    std::vector<std::vector<int16_t>> blocks;
    std::string countsBefore, setupBefore;

    explicit RawRun(const std::vector<int32_t>& minutes) {
        std::string counts;
        for (size_t r = 0; r < minutes.size(); ++r) {
            counts += testing::FlatRecord(minutes[r], static_cast<int16_t>(50 + r), static_cast<int16_t>(200 + r));
            const int rec = static_cast<int>(r);
            blocks.push_back(MakeRawBlock(500, [rec](int ch) { return FixtureDips(rec, ch); }, static_cast<uint32_t>(r)));
            AppendRawBlock(folder, rec, blocks.back());
        }
        project.Write("20261210_0900_s1/counts.bin", counts);
        project.Write("20261210_0900_s1/setup.dat", kSetup);
        countsBefore = counts;
        setupBefore = kSetup;
    }
    std::string Read(const std::string& name) const { return project.Read("20261210_0900_s1/" + name); }
    int16_t Reference(int record, int ch, double threshold, int16_t method) const {
        auto copy = blocks[static_cast<size_t>(record)];
        return CountEvents(SampleWindow(copy, 385), static_cast<int16_t>(ch), threshold, method, 0, "", 0);
    }
    ReanalysisControls Controls(bool replace) const {
        ReanalysisControls c;
        c.report.inputFolder = folder;
        c.report.binText = "5";
        c.report.autoReport = true;  // no viewer
        c.replace = replace;
        c.lapseText = "533";
        c.thresholdText = "2.2";
        c.method = 0;
        c.organism = 1;
        c.methodText = "0_Threshold+Binary (Old Method.w/filters)";
        c.organismText = "Zebrafish(Larvae)";
        return c;
    }
    bool HasReport() const { return std::filesystem::exists(folder + "/report.csv"); }
};

inline std::vector<int32_t> Minutes(int n, int step) {
    std::vector<int32_t> m;
    for (int i = 0; i < n; ++i) m.push_back(i * step);
    return m;
}

}  // namespace vondrel::reports::testing
