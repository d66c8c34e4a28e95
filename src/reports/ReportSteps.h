// The steps of a report: reading counts.bin, resampling into bins, the plate
// of the acquisition, the setting text, the percent-of-basal step, the bin
// statistics and the report file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "reports/ReportData.h"

namespace vondrel::reports {

// The data records of a counts.bin (its holes left out, see CountsHoleRule),
// scanned once a window of records at a time: the place, raw minute and
// temperature of each are kept, the counts stay in the file and are read
// again, in the same windows, when they are binned. A 22-day file is 33 MB:
// a copy of it in fresh memory costs several times more than reading it
// twice from the page cache, and a report needs no more than its bins.
class CountsRecords {
public:
    // Scans the file at `path`; nullopt when it cannot be opened or read.
    static std::optional<CountsRecords> Scan(const std::string& path);

    const std::string& Path() const { return path_; }
    size_t Size() const { return minutes_.size(); }
    int32_t RawMinute(size_t i) const { return minutes_[i]; }
    int16_t Temperature(size_t i) const { return temperatures_[i]; }
    // The 385 values (counts, then the temperature) of data record `i`, read
    // again from the file and valid until the next call; nullptr when they can
    // no longer be read.
    const int16_t* Values(size_t i);

private:
    CountsRecords(std::string path, platform::FileBytes file) : path_(std::move(path)), file_(std::move(file)) {}

    std::string path_;
    platform::FileBytes file_;
    std::vector<uint32_t> places_;  // record index in the file
    std::vector<int32_t> minutes_;
    std::vector<int16_t> temperatures_;
    std::vector<int16_t> values_ = std::vector<int16_t>(kRecordWidth);
};

// Largest absolute minute of a counts.bin; "Error reading <path>" and nullopt
// when it cannot be read or its days overflow.
std::optional<int32_t> ReadActivityDuration(const std::string& path);
// The same for the records scanned already.
std::optional<int32_t> ReadActivityDuration(const CountsRecords& records);

// Loads the records up to the last one that reaches the running maximum of
// the raw minutes, with absolute minutes. Returns the index of the last record
// loaded (-1 for none); "Error loading <path>" and nullopt on failure.
// Holes of the file (see CountsHoleRule) are left out.
std::optional<int32_t> LoadActivityRecords(const std::string& path, ActivityRecords& records);
// The same for the records scanned already, without their counts: `records`
// gets minutes and temperatures, its counts stay empty, and ResampleToBins
// reads them from `scanned`.
std::optional<int32_t> LoadActivityMinutes(const CountsRecords& scanned, ActivityRecords& records);

// The largest minute of records 0..last (0 when there is none).
int32_t LargestMinute(const ActivityRecords& records, int32_t last);

// Replaces records 0..n by bins of B minutes. Returns the last bin kept (-1
// when none) and updates T; "Resampling Calculation Error<k>" and nullopt on
// an arithmetic failure.
std::optional<int32_t> ResampleToBins(int32_t& T, int32_t n, int16_t B, ActivityRecords& records);
// The same for records loaded by LoadActivityMinutes, their counts read from
// `scanned`; "Error loading <path>" and nullopt when they can no longer be read.
std::optional<int32_t> ResampleToBins(int32_t& T, int32_t n, int16_t B, ActivityRecords& records,
                                      CountsRecords& scanned);

// Plate of the acquisition in `folder` (setup.dat, groups.dat, chgroup.dat,
// the plate layout file of the program folder). Throws ReportFailure on a
// missing or unreadable file, ReportStopped after the layout message.
void LoadPlateConfiguration(const std::string& folder, ReportData& data);

// "Mode<M> <organism>[snr=<S/10>]" of the acquisition in `folder`; throws
// ReportFailure when setup.dat is missing or unreadable.
std::string DescribeSetting(const std::string& folder);

// The basal step: counts become percent of the basal acquisition named by
// `basalChoice`. Throws ReportStopped when the user or a failure stops it.
void ApplyBasal(const std::string& folder, const std::string& basalChoice, int32_t c, int16_t B, ReportData& data);

// Statistics of bins 1..nb. Returns false after "Report Calculation Error" or
// "Error getting Histogram.bin data".
bool ComputeBinStatistics(int32_t T, int32_t c, int16_t B, ReportLayout layout, const std::string& folder,
                          ReportData& data);

// The same over records that are not held in `data`: `replay` calls its
// argument with each record's minute, counts (channels 0..383) and
// temperature, in order, every time it is called.
using RecordVisit = std::function<void(int32_t minute, const int16_t* counts, int16_t temperature)>;
using RecordReplay = std::function<void(const RecordVisit&)>;
bool ComputeBinStatistics(int32_t T, const RecordReplay& replay, int16_t B, ReportLayout layout,
                          const std::string& folder, ReportData& data);

// The base name ("report", "report_1", ...) of a report file that can be
// written in `folder`; throws ReportFailure when there is none.
std::string FindReportFileName(const std::string& folder, const std::string& extension);

// The report text (CR LF lines, UTF-8; written in Windows-1252).
std::string BuildReportText(const ReportData& data, const ReportControls& controls, int32_t T, int16_t B,
                            bool basal);
// The same text handed to `pieces` a window at a time as it is made, so that
// a large report is never held whole.
void BuildReportText(const ReportData& data, const ReportControls& controls, int32_t T, int16_t B, bool basal,
                     const platform::TextPieces& pieces);

// The acquisition's name as a file name: blanks, path separators, control
// characters and : * ? " < > | become "_".
std::string SafeReportCopyName(const std::string& name);

}  // namespace vondrel::reports
