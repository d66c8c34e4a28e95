// "1 file/well Report" without the window: the binned activity of one
// acquisition as small text files in its folder, either one file per well
// with a date and time on each line ("000_A1.txt" ...), or one line of values
// per channel ("ch000000.txt" ...) and the bin ends in seconds ("time.txt").
#pragma once

#include <optional>
#include <string>

#include "platform/Clock.h"
#include "reports/ReportData.h"

namespace vondrel::reports {

struct PerWellControls {
    std::string folder;           // Txt_inputfile
    std::string binText = "30";   // Cmb_binsize; rewritten when the bin is fitted
    bool withTime = true;         // "Include time field?": per-well files, else per-channel
    // The browser's selected entry, read as DDMMYYYY_HHMM when the folder's
    // own name gives no start.
    std::string listSelection;
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
};

// The start of an acquisition from its folder's name: "yyyymmdd_hhmm" with
// an optional "_s<n>", or the older "DDMMYYYY_HHMM"; nullopt for any other.
std::optional<platform::LocalTime> StartFromName(const std::string& name);

// The whole export. Every check runs before the first file is written; a
// failure shows its message and writes nothing. Wells without a beam-0
// channel are left out. Returns true when the files were written.
bool ExportPerWellFiles(ReportData& data, PerWellControls& controls);

}  // namespace vondrel::reports
