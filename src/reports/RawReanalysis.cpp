#include "reports/RawReanalysis.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/CountsFile.h"
#include "reports/RawRecount.h"
#include "reports/ReportPipeline.h"
#include "reports/ReportSteps.h"
#include "store/PairReplace.h"

namespace vondrel::reports {
namespace {

constexpr size_t kRecordBytes = kCountsRecordBytes;
constexpr int32_t kReplaceLimit = 32000;  // minutes taken with "Replace old data"
constexpr int kMaxDayChanges = 22;        // the day offset (day x 1440) stays within 16 bits

// One line of a text with its line end kept apart, so a line can be rebuilt
// byte for byte.
struct Line {
    std::string body, end;
};

std::vector<Line> SplitKeepingEnds(const std::string& text) {
    std::vector<Line> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
        Line l{text.substr(i, j - i), ""};
        if (j < text.size()) {
            if (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') l.end = "\r\n";
            else l.end = std::string(1, text[j]);
        }
        i = j + l.end.size();
        lines.push_back(std::move(l));
    }
    return lines;
}

// Comma-separated fields of a settings line; commas inside quotes belong to
// their text. The fields keep their bytes (quotes and blanks included).
std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + fields[i];
    return out;
}

// A 16-bit whole number from a settings field: empty reads as 0.
std::optional<int16_t> FieldInt16(const std::string& field) {
    if (field.find_first_not_of(" \t") == std::string::npos) return int16_t{0};
    double v = 0;
    if (!ParseNumber(field, v)) return std::nullopt;
    v = RoundHalfEven(v);
    if (v < -32768 || v > 32767) return std::nullopt;
    return static_cast<int16_t>(v);
}

// Sets field `index` of a six-value line; false when the line has fewer.
bool SetField(std::vector<std::string>& fields, size_t index, int value) {
    if (fields.size() < 6 || index >= fields.size()) return false;
    fields[index] = std::to_string(value);
    return true;
}

// RT_Buffer, the fourth value of setup.dat's fourth line.
std::optional<int> WindowLengthOf(const std::string& setupBytes) {
    const auto lines = SplitKeepingEnds(setupBytes);
    if (lines.size() < 4) return std::nullopt;
    const auto fields = SplitFields(lines[3].body);
    if (fields.size() < 4) return std::nullopt;
    double v = 0;
    if (!ParseNumber(fields[3], v)) return std::nullopt;
    return static_cast<int>(RoundHalfEven(v));
}

void Status(const ReanalysisHooks& hooks, const std::string& text) {
    if (hooks.status) hooks.status(text);
}

// The minute limit of the run from the lapse text (hours); a lapse below five
// minutes becomes five minutes and its text "0.08".
int32_t MinuteLimit(ReanalysisControls& c) {
    if (c.replace) return kReplaceLimit;
    std::string t = c.lapseText;
    std::replace(t.begin(), t.end(), ',', '.');
    const double minutes = Val(t) * 60;
    if (!(minutes < kReplaceLimit)) return kReplaceLimit;
    const auto limit = static_cast<int32_t>(RoundHalfEven(minutes));
    if (limit < 5) {
        c.lapseText = "0.08";
        return 5;
    }
    return limit;
}

}  // namespace

std::string FitThresholdText(const std::string& text, int organism) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    const double v = Val(t);
    if (organism == 3) return (v < 0.5 || v > 1.0) ? "0.8" : text;
    return (v < 1.1 || v > 6) ? "1.8" : text;
}

bool HasRawData(const std::string& folder) { return platform::FileExists(platform::JoinPath(folder, "0.bin")); }

std::optional<std::string> BuildRewrittenSetup(const std::string& setupBytes, int16_t method, int16_t organism,
                                               int16_t thresholdTenths) {
    auto lines = SplitKeepingEnds(setupBytes);
    if (lines.size() < 10) return std::nullopt;
    auto line4 = SplitFields(lines[3].body);
    auto line10 = SplitFields(lines[9].body);
    if (line4.size() < 6 || line10.size() < 6) return std::nullopt;
    const auto sixth4 = FieldInt16(line4[5]);
    const auto sixth10 = FieldInt16(line10[5]);
    if (!sixth4 || !sixth10) return std::nullopt;
    SetField(line4, 4, method);
    SetField(line4, 5, *sixth4);
    SetField(line10, 0, organism);
    SetField(line10, 3, thresholdTenths);
    SetField(line10, 5, *sixth10);
    lines[3].body = JoinFields(line4);
    lines[9].body = JoinFields(line10);
    std::string out;
    out.reserve(setupBytes.size() + 8);
    for (const auto& l : lines) out += l.body + l.end;
    return out;
}

int RewriteSetupFile(const std::string& folder, int16_t method, int16_t organism, int16_t thresholdTenths) {
    const std::string setup = platform::JoinPath(folder, "setup.dat");
    const auto bytes = platform::ReadBinaryFile(setup);
    const auto rewritten = bytes ? BuildRewrittenSetup(*bytes, method, organism, thresholdTenths) : std::nullopt;
    if (!rewritten || !platform::ReplaceFile(platform::JoinPath(folder, "setup.bak"), *bytes) ||
        !platform::ReplaceFile(setup, *rewritten)) {
        platform::MsgBox("error Updating setup.dat");
        return -1;
    }
    return 1;
}

ReanalysisEnd RunRawReanalysis(ReportData& data, ReanalysisControls& c, const ReanalysisHooks& hooks,
                               ReportWritten* written) {
    // The folder is fixed here: nothing that changes the window's folder
    // while the run pumps events can send the results elsewhere.
    const std::string folder = c.report.inputFolder;
    const std::string countsPath = platform::JoinPath(folder, "counts.bin");
    const std::string setupPath = platform::JoinPath(folder, "setup.dat");

    c.thresholdText = FitThresholdText(c.thresholdText, c.organism);
    const int32_t limit = MinuteLimit(c);
    double binValue = 0;
    if (!ParseNumber(c.report.binText, binValue) || !(RoundHalfEven(binValue) <= 32767) ||
        !(RoundHalfEven(binValue) >= -32768)) {
        platform::MsgBox("Invalid value: bin size must be a whole number of minutes");
        return ReanalysisEnd::NotRun;
    }
    if (RoundHalfEven(binValue) < 2) c.report.binText = "2";

    // A replacement that a kill or a full disk interrupted is completed or
    // undone before anything is read.
    if (const auto recovered = store::RecoverRecordingFolder(folder); !recovered.ok) {
        platform::MsgBox(store::PairErrorMessage(recovered));
        return ReanalysisEnd::Failed;
    }
    if (!platform::FileExists(countsPath)) {
        platform::MsgBox("Activity file not Found");
        return ReanalysisEnd::NotRun;
    }
    if (!HasRawData(folder)) {
        platform::MsgBox("Real Time Data Not Found");
        return ReanalysisEnd::NotRun;
    }
    const auto countsBytes = platform::ReadBinaryFile(countsPath);
    const auto setupBytes = platform::ReadBinaryFile(setupPath);
    if (!countsBytes || !setupBytes) {
        platform::MsgBox("Report Error");
        return ReanalysisEnd::Failed;
    }
    const auto windowLength = WindowLengthOf(*setupBytes);
    if (!windowLength || *windowLength < 500 || *windowLength > 502) {
        platform::MsgBox("Raw data analysis needs windows of 500 to 502 samples");
        return ReanalysisEnd::NotRun;
    }

    std::string thresholdDot = c.thresholdText;
    std::replace(thresholdDot.begin(), thresholdDot.end(), ',', '.');
    const double threshold = Val(thresholdDot);
    // With "Replace old data" the new setup.dat is made before anything is
    // counted, so a file that cannot take the new settings costs no run.
    std::optional<std::string> newSetup;
    if (c.replace) {
        newSetup = BuildRewrittenSetup(*setupBytes, c.method, c.organism, ToInt16(threshold * 10));
        if (!newSetup) {
            platform::MsgBox("error Updating setup.dat");
            return ReanalysisEnd::Failed;
        }
    }

    try {
        data.ClearComputed();
        // The records to analyse: up to the first whose minute reaches the limit.
        const size_t stored = countsBytes->size() / kRecordBytes;
        std::vector<int32_t> rawMinutes, minutes;
        std::vector<int16_t> temperatures;
        std::vector<uint8_t> counted, hole;
        int32_t T = 0, previousRaw = 0;
        int64_t day = 0;
        CountsHoleRule holes;
        for (size_t j = 0; j < stored; ++j) {
            // A hole keeps its place (record j goes with raw window j) but is
            // no data: not counted, not reported, written back as zeros.
            if (holes.IsHole(countsBytes->data() + j * kRecordBytes)) {
                rawMinutes.push_back(previousRaw);
                minutes.push_back(minutes.back());
                temperatures.push_back(0);
                counted.push_back(0);
                hole.push_back(1);
                continue;
            }
            hole.push_back(0);
            const int32_t m = CountsRecordMinute(*countsBytes, j);
            // Formed in 64 bits; a negative minute or one beyond a 32-bit
            // minute (a damaged record) ends the run before anything is written.
            int64_t absolute = day * 1440 + m;
            if (j >= 1 && minutes.back() - absolute > 1000) {
                if (++day > kMaxDayChanges) throw ReportFailure("too many day changes");
                absolute = day * 1440 + m;
            }
            if (m < 0 || absolute > INT32_MAX) throw ReportFailure("minute out of range in " + countsPath);
            rawMinutes.push_back(m);
            minutes.push_back(static_cast<int32_t>(absolute));
            temperatures.push_back(CountsRecordValue(*countsBytes, j, 384));
            counted.push_back(m < previousRaw ? 0 : 1);
            previousRaw = m;
            T = std::max({T, m, static_cast<int32_t>(absolute)});
            if (m >= limit) break;
        }
        const int n = static_cast<int>(minutes.size());
        if (n == 0) {
            // An activity file without a record gives no bin.
            platform::MsgBox("Resampling ERROR");
            return ReanalysisEnd::NotRun;
        }

        // The bin fitted to the data.
        int32_t B = std::max<int32_t>(1, static_cast<int32_t>(RoundHalfEven(binValue)));
        if (T < B) {
            B = T > 30 ? (T / 15) * 15 : T;
            c.report.binText = std::to_string(B);
        }
        if (B < 2) c.report.binText = "2";

        LoadPlateConfiguration(folder, data);
        std::vector<uint8_t> channels(kChannels, 0);
        for (int ch = 0; ch < kChannels; ++ch) {
            const int well = data.m_report_channel_well[static_cast<size_t>(ch)];
            channels[static_cast<size_t>(ch)] = (well >= 0 && data.WellBeamChannel(well, 0) >= 0) ? 1 : 0;
        }
        const std::string total = "/" + std::to_string(n);
        Status(hooks, "Block 0" + total);

        std::vector<int16_t> newCounts(static_cast<size_t>(n) * kRecountChannels, 0);
        RawRecountJob job;
        job.folder = folder;
        job.windowLength = *windowLength;
        job.records = n;
        job.channels = channels;
        job.recordsCounted = counted;
        job.threshold = threshold;
        job.method = c.method;
        job.workers = std::max(1, hooks.workers);
        if (c.exportRaw) {
            job.exportFolder = folder;
            job.exportTags = rawMinutes;
        }
        const auto result = RecountRawFiles(job, newCounts, [&](int done) {
            Status(hooks, "Block " + std::to_string(done) + total);
            return !hooks.keepGoing || hooks.keepGoing();
        });
        if (result.stopped) return ReanalysisEnd::Stopped;
        const int k = result.analysed;
        if (k == 0) {
            platform::MsgBox("Real Time Data Not Found");
            return ReanalysisEnd::NotRun;
        }
        if (k < n) {
            T = 0;
            for (int j = 0; j < k; ++j) T = std::max({T, rawMinutes[static_cast<size_t>(j)], minutes[static_cast<size_t>(j)]});
        }

        data.m_record.Resize(static_cast<size_t>(k) + 2);
        int kept = 0;  // records of the report: the analysed ones without the holes
        for (int j = 0; j < k; ++j) {
            if (hole[static_cast<size_t>(j)]) continue;
            const auto to = static_cast<size_t>(kept++);
            data.m_record.minutes[to] = minutes[static_cast<size_t>(j)];
            data.m_record.temperature[to] = temperatures[static_cast<size_t>(j)];
            for (int ch = 0; ch < kChannels; ++ch)
                data.m_record.Count(to, ch) = newCounts[static_cast<size_t>(j) * kRecountChannels + static_cast<size_t>(ch)];
        }

        if (c.replace) {
            data.m_setting_preset = false;
            data.m_setting_text.clear();
        } else {
            data.m_setting_preset = true;
            data.m_setting_text = c.methodText + " " + c.organismText + " [SNR=" + c.thresholdText + "]";
        }

        // The report is computed before anything is saved: a run whose
        // report cannot be made (no bin, or more bins than a report holds, as
        // a damaged last minute gives) leaves counts.bin and setup.dat as
        // they were.
        const auto bin = static_cast<int16_t>(RoundHalfEven(Val(c.report.binText)));
        const auto r = ResampleToBins(T, kept - 1, bin, data.m_record);
        if (!r) return ReanalysisEnd::Failed;
        if (*r == -1) {
            platform::MsgBox("Resampling ERROR");
            return ReanalysisEnd::Failed;
        }
        T = LargestMinute(data.m_record, *r);
        if (!ComputeBinStatistics(T, *r, bin, c.report.layout, folder, data)) return ReanalysisEnd::Failed;

        if (c.replace) {
            Status(hooks, "Saving...");
            if (hooks.keepGoing) hooks.keepGoing();
            // Both new files are built whole in memory first; records not
            // analysed keep their bytes.
            std::string newCountsFile = *countsBytes;
            for (int j = 0; j < k; ++j) {
                char* rec = newCountsFile.data() + static_cast<size_t>(j) * kRecordBytes;
                if (hole[static_cast<size_t>(j)]) {
                    std::memset(rec, 0, kRecordBytes);
                    continue;
                }
                const int32_t m = minutes[static_cast<size_t>(j)];
                std::memcpy(rec, &m, sizeof m);
                std::memcpy(rec + 4, newCounts.data() + static_cast<size_t>(j) * kRecountChannels, kRecountChannels * 2);
                std::memcpy(rec + 4 + kRecountChannels * 2, &temperatures[static_cast<size_t>(j)], 2);
            }
            if (!platform::ReplaceFile(platform::JoinPath(folder, "setup.bak"), *setupBytes)) {
                platform::MsgBox(store::PairErrorMessage({false, store::kRecordingSetup, std::strerror(errno)}));
                return ReanalysisEnd::Failed;
            }
            // The two files describe one analysis: both change or neither.
            const auto saved = store::ReplacePair(folder, {store::kRecordingCounts, newCountsFile},
                                                  {store::kRecordingSetup, *newSetup});
            if (!saved.ok) {
                platform::MsgBox(store::PairErrorMessage(saved));
                return ReanalysisEnd::Failed;
            }
            Status(hooks, "Block " + std::to_string(n) + total);
            data.m_setting_preset = false;
            data.m_setting_text = DescribeSetting(folder);
        }
        WriteReportFile(data, c.report, T, bin, false, {}, written);
        if (k < n)
            platform::MsgBox("Raw data found for the first " + std::to_string(k) + " of " + std::to_string(n) +
                             " records; the later records were not re-analysed.");
        return ReanalysisEnd::Reported;
    } catch (const ReportStopped&) {
        return ReanalysisEnd::Failed;
    } catch (const std::exception& e) {
        platform::MsgBox(ReportErrorMessage(e));
        return ReanalysisEnd::Failed;
    }
}

}  // namespace vondrel::reports
