// "RUN" of the report window's raw-data frame without the window: counting an
// acquisition's windows again from its raw files with a chosen organism,
// method and threshold, the report of the new counts and, with "Replace old
// data", counts.bin and setup.dat rewritten to hold them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "reports/ReportData.h"

namespace vondrel::reports {

// The values of the frame's controls one run reads; the texts that the run
// rewrites come back changed.
struct ReanalysisControls {
    ReportControls report;        // folder, bin text and the report options
    std::string lapseText = "1";  // frmtxt_datalapse, in hours
    std::string thresholdText = "1.8";
    std::string methodText;       // the list texts, for the report's setting line
    std::string organismText;
    int16_t method = 1;
    int16_t organism = 0;
    bool replace = false;         // Chk_replacedata
    bool exportRaw = false;       // Chk_rawexport
};

struct ReanalysisHooks {
    std::function<void(const std::string&)> status;  // frmlbl_status
    // Keeps the window alive while the counting runs; false stops the run.
    std::function<bool()> keepGoing;
    int workers = 1;
};

enum class ReanalysisEnd { Reported, Stopped, NotRun, Failed };

// The threshold text the frame accepts for the organism: organism 3 takes
// 0.5..1.0 (else "0.8"), the others 1.1..6 (else "1.8"); "," reads as ".".
std::string FitThresholdText(const std::string& text, int organism);

// Whether the folder holds raw data to analyse (its 0.bin).
bool HasRawData(const std::string& folder);

// The setup.dat bytes with line 4's detection method, and line 10's organism
// and threshold x 10, replaced; the sixth value of both lines written as a
// whole number (empty as 0); every other byte as it stands. nullopt when the
// text has fewer than ten lines or a value cannot be read.
std::optional<std::string> BuildRewrittenSetup(const std::string& setupBytes, int16_t method, int16_t organism,
                                               int16_t thresholdTenths);

// Rewrites setup.dat of the folder as above, keeping the previous copy in
// setup.bak; 1 on success, -1 after "error Updating setup.dat".
int RewriteSetupFile(const std::string& folder, int16_t method, int16_t organism, int16_t thresholdTenths);

struct ReportWritten;

// The whole run. Messages go through the dialogs; with `replace` the two
// files change together or not at all. `written` (may be null) receives the
// file the report left for the user when the run ends Reported.
ReanalysisEnd RunRawReanalysis(ReportData& data, ReanalysisControls& controls, const ReanalysisHooks& hooks,
                               ReportWritten* written = nullptr);

}  // namespace vondrel::reports
