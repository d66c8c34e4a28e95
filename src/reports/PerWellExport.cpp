#include "reports/PerWellExport.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/CountsFile.h"
#include "reports/ReportSteps.h"

namespace vondrel::reports {
namespace {

constexpr size_t kRecordBytes = kCountsRecordBytes;
constexpr int kMaxDayChanges = 22;

bool Digits(const std::string& s, size_t from, size_t count) {
    if (from + count > s.size()) return false;
    for (size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

int Number(const std::string& s, size_t from, size_t count) { return std::stoi(s.substr(from, count)); }

bool ValidMoment(const platform::LocalTime& t) {
    using namespace std::chrono;
    const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}};
    return ymd.ok() && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60;
}

// The moment `minutes` after `start`, on the calendar (no clock changes).
platform::LocalTime AddMinutes(const platform::LocalTime& start, int64_t minutes) {
    using namespace std::chrono;
    const sys_days base{year{start.year} / month{static_cast<unsigned>(start.month)} / day{static_cast<unsigned>(start.day)}};
    const auto at = base + std::chrono::minutes(start.hour * 60 + start.minute + minutes);
    const auto d = floor<days>(at);
    const year_month_day ymd{d};
    const auto m = duration_cast<std::chrono::minutes>(at - d).count();
    platform::LocalTime t;
    t.year = static_cast<int>(ymd.year());
    t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    t.hour = static_cast<int>(m / 60);
    t.minute = static_cast<int>(m % 60);
    return t;
}

std::string Two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// Reads counts.bin a piece at a time and calls `record` with each whole
// record's raw minute, absolute minute (a drop of more than 1000 minutes is a
// new day), counts and temperature; returns the number of records. Minutes are
// formed in 64 bits: too many day changes, a negative minute or one beyond a
// 32-bit minute throw ReportFailure.
template <typename Record>
size_t StreamCountsRecords(const std::string& path, Record record) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) throw ReportFailure("cannot read " + path);
    constexpr size_t kPiece = 1024;
    std::string piece(kPiece * kRecordBytes, '\0');
    std::vector<int16_t> counts(kRecordWidth);
    int64_t day = 0, previous = 0;
    size_t j = 0;
    CountsHoleRule holes;
    for (;;) {
        const size_t count = std::fread(piece.data(), kRecordBytes, kPiece, in.get());
        for (size_t i = 0; i < count; ++i) {
            // A hole (a window the writer could not store) is no data: skipped.
            if (holes.IsHole(piece.data() + i * kRecordBytes)) continue;
            ++j;
            const int32_t m = CountsRecordMinute(piece, i);
            int64_t absolute = day * 1440 + m;
            if (j >= 2 && previous - absolute > 1000) {
                if (++day > kMaxDayChanges) throw ReportFailure("too many day changes");
                absolute = day * 1440 + m;
            }
            if (m < 0 || absolute > INT32_MAX) throw ReportFailure("minute out of range in " + path);
            previous = absolute;
            std::memcpy(counts.data(), piece.data() + i * kRecordBytes + 4, kRecordWidth * 2);
            record(m, static_cast<int32_t>(absolute), counts.data(), CountsRecordValue(piece, i, 384));
        }
        if (count < kPiece) break;  // the end, or a trailing fragment that is no record
    }
    return j;
}

std::string FolderName(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return std::filesystem::path(f).filename().string();
}

}  // namespace

std::optional<platform::LocalTime> StartFromName(const std::string& name) {
    // yyyymmdd_hhmm, optionally followed by _s<n>.
    if (name.size() >= 13 && Digits(name, 0, 8) && name[8] == '_' && Digits(name, 9, 4) &&
        (name.size() == 13 || (name.size() > 15 && name.compare(13, 2, "_s") == 0 && Digits(name, 15, name.size() - 15)))) {
        platform::LocalTime t{Number(name, 0, 4), Number(name, 4, 2), Number(name, 6, 2), Number(name, 9, 2),
                              Number(name, 11, 2), 0};
        if (ValidMoment(t)) return t;
    }
    // DDMMYYYY_HHMM.
    if (name.size() == 13 && Digits(name, 0, 8) && Digits(name, 9, 4)) {
        platform::LocalTime t{Number(name, 4, 4), Number(name, 2, 2), Number(name, 0, 2), Number(name, 9, 2),
                              Number(name, 11, 2), 0};
        if (ValidMoment(t)) return t;
    }
    return std::nullopt;
}

bool ExportPerWellFiles(ReportData& data, PerWellControls& c) {
    const std::string countsPath = platform::JoinPath(c.folder, "counts.bin");
    double binValue = 0;
    if (!ParseNumber(c.binText, binValue) || !(RoundHalfEven(binValue) <= 32767) || !(RoundHalfEven(binValue) >= -32768)) {
        platform::MsgBox("Invalid value: bin size must be a whole number of minutes");
        return false;
    }
    if (!platform::FileExists(countsPath)) {
        platform::MsgBox("Activity file not Found");
        return false;
    }
    try {
        data.ClearComputed();
        LoadPlateConfiguration(c.folder, data);
        // counts.bin is streamed twice, a piece at a time, and never held:
        // once for its length and its checks, once into the bins.
        // T: the largest raw minute, or the last record's absolute minute when later.
        int64_t T = 0, lastAbsolute = 0;
        const size_t n = StreamCountsRecords(countsPath, [&](int32_t raw, int32_t absolute, const int16_t*, int16_t) {
            T = std::max<int64_t>(T, raw);
            lastAbsolute = absolute;
        });
        if (n == 0) throw ReportFailure("no record");
        T = std::max(T, lastAbsolute);
        const RecordReplay replay = [&countsPath](const RecordVisit& visit) {
            StreamCountsRecords(countsPath, [&](int32_t, int32_t absolute, const int16_t* counts, int16_t temperature) {
                visit(absolute, counts, temperature);
            });
        };

        // The bin fitted to the data, then used for the values and the times alike.
        int64_t B1 = static_cast<int64_t>(RoundHalfEven(binValue));
        if (B1 < 2) {
            B1 = 2;
            c.binText = "2";
        }
        if (T + 1 < B1) {
            if (T > 30) {
                B1 = ((T + 1) / 15) * 15;
                c.binText = std::to_string(B1);
            } else {
                B1 = T + 1;
            }
        }
        int64_t nb = static_cast<int64_t>(RoundHalfEven(static_cast<double>(T) / static_cast<double>(B1)));
        if (nb == 0) nb = 1;
        if (nb * B1 > 32767) throw ReportFailure("bin end beyond 32767 minutes");
        if (!ComputeBinStatistics(static_cast<int32_t>(T), replay, static_cast<int16_t>(B1), ReportLayout::Rows, c.folder,
                                  data))
            return false;

        platform::LocalTime start;
        if (auto s = StartFromName(FolderName(c.folder))) {
            start = *s;
        } else if (auto l = c.listSelection.size() == 13 ? StartFromName(c.listSelection) : std::nullopt) {
            start = *l;
        } else {
            start = platform::ToLocal(platform::Now());
            start.hour = start.minute = start.second = 0;
        }

        // Every file's text is made before the first one is written.
        std::vector<std::pair<std::string, std::string>> files;
        if (c.withTime) {
            const int rows = std::max<int>(1, data.m_report_plate_rows);
            for (int g = 0; g <= data.m_report_max_well; ++g) {
                const int ch = data.WellBeamChannel(g, 0);
                if (ch < 0) continue;  // a well without a beam-0 channel has no file
                const int w = data.m_report_channel_well[static_cast<size_t>(ch)];
                if (w < 0) continue;
                const int column = w / rows, row = w - rows * column;
                char name[64];
                std::snprintf(name, sizeof name, "%03d_%c%d.txt", g, static_cast<char>('A' + row), column + 1);
                std::string text;
                for (int64_t k = 1; k <= nb; ++k) {
                    const auto t = AddMinutes(start, k * B1);
                    text += Two(t.day) + c.dateSeparator + Two(t.month) + c.dateSeparator + std::to_string(t.year) + " " +
                            Two(t.hour) + c.timeSeparator + Two(t.minute) + " " +
                            std::to_string(static_cast<size_t>(g) < data.m_well_bin_value.width
                                               ? data.m_well_bin_value.At(static_cast<size_t>(k), static_cast<size_t>(g))
                                               : 0) +
                            "\r\n";
                }
                files.emplace_back(name, std::move(text));
            }
        } else {
            for (int ch = 0; ch < kChannels; ++ch) {
                char name[32];
                std::snprintf(name, sizeof name, "ch%06d.txt", ch);
                std::string text;
                for (int64_t k = 1; k <= nb; ++k)
                    text += (k > 1 ? " " : "") +
                            std::to_string(data.m_channel_bin_sum.At(static_cast<size_t>(k), static_cast<size_t>(ch)));
                files.emplace_back(name, text + "\r\n");
            }
            std::string times;
            for (int64_t k = 1; k <= nb; ++k) times += (k > 1 ? " " : "") + std::to_string(k * B1 * 60);
            files.emplace_back("time.txt", times + "\r\n");
        }
        for (const auto& [name, text] : files)
            if (!platform::WriteTextFile(platform::JoinPath(c.folder, name), text))
                throw ReportFailure("cannot write " + name);
        return true;
    } catch (const ReportStopped&) {
        return false;
    } catch (const std::exception& e) {
        platform::MsgBox(ReportErrorMessage(e));
        return false;
    }
}

}  // namespace vondrel::reports
