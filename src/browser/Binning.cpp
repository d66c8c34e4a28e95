#include "browser/Binning.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "acquisition/RunDataFiles.h"
#include "browser/BrowserList.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

namespace vondrel::browser {

namespace {

constexpr size_t kRecordsPerChunk = 1024;  // 774 KB read at a time

// The years a date of the program's clock can hold whole.
constexpr int kFirstDateYear = 1678;
constexpr int kLastDateYear = 2261;

int32_t ReadInt32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Turns the sums of groups 0..383 of `bin` into rounded means; returns the
// largest unrounded mean of the column.
double MeansOfColumn(GroupBinTable& table, int bin, const std::array<int, kCountedChannels>& members) {
    double largest = 0;
    for (int g = 0; g < kCountedChannels; ++g) {
        double& cell = table.at(bin, g);
        if (members[g] < 1) {
            cell = 0;
            continue;
        }
        double mean = cell / members[g];
        cell = RoundHalfEven(mean);
        if (mean > largest) largest = mean;
    }
    return largest;
}

}  // namespace

bool ForEachCountsRecord(const std::string& path,
                         const std::function<void(int32_t minutes, const int16_t* counts)>& record,
                         HolePlaces holePlaces) {
    if (!platform::FileExists(path)) return false;
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return false;
    std::vector<unsigned char> chunk(kRecordsPerChunk * kCountsRecordBytes);
    std::array<int16_t, kCountedChannels> counts{};
    size_t held = 0;  // bytes of a record carried over from the previous read
    CountsHoleRule holes;
    int32_t previousMinute = 0;
    for (;;) {
        size_t got = std::fread(chunk.data() + held, 1, chunk.size() - held, f.get());
        size_t bytes = held + got;
        size_t whole = bytes / kCountsRecordBytes;
        for (size_t r = 0; r < whole; ++r) {
            const unsigned char* p = chunk.data() + r * kCountsRecordBytes;
            if (holes.IsHole(p)) {
                // A hole is no data: skipped, or kept at its place as a
                // record without counts at the minute of the one before.
                if (holePlaces == HolePlaces::kKeep) {
                    counts.fill(0);
                    record(previousMinute, counts.data());
                }
                continue;
            }
            previousMinute = ReadInt32(p);
            for (int c = 0; c < kCountedChannels; ++c) {
                const unsigned char* q = p + 4 + 2 * c;
                counts[c] = static_cast<int16_t>(static_cast<uint16_t>(q[0] | q[1] << 8));
            }
            record(ReadInt32(p), counts.data());
        }
        held = bytes - whole * kCountsRecordBytes;
        if (got == 0) break;  // what is left is a trailing fragment
        std::memmove(chunk.data(), chunk.data() + whole * kCountsRecordBytes, held);
    }
    return true;
}

int CollectingGroup(std::span<const int16_t> channelGroup, int channel) {
    if (channel >= static_cast<int>(channelGroup.size())) return kFreeGroup;
    int g = channelGroup[channel];
    return g >= 0 && g < kCountedChannels ? g : kFreeGroup;
}

std::array<int, kCountedChannels> GroupChannelCount(std::span<const int16_t> channelGroup) {
    std::array<int, kCountedChannels> members{};
    for (int c = 0; c < kCountedChannels; ++c) {
        int g = CollectingGroup(channelGroup, c);
        if (g != kFreeGroup) ++members[g];
    }
    return members;
}

BinningResult BinGroupActivity(const std::string& countsPath, std::span<const int16_t> channelGroup,
                               int binMinutes, bool timeBins, GroupBinTable& table) {
    BinningResult result;
    if (binMinutes < 1) binMinutes = kDefaultBinMinutes;
    result.bin_minutes = binMinutes;
    int32_t maxMinutes = 0;
    if (!ForEachCountsRecord(countsPath, [&](int32_t minutes, const int16_t*) {
            maxMinutes = std::max(maxMinutes, minutes);
        })) {
        platform::MsgBox("Activity file not Found");
        return result;
    }
    int bins = 1;
    if (timeBins) {
        const double columns = RoundHalfEven(static_cast<double>(maxMinutes) / binMinutes) + 1;
        if (columns > kMaxBinCount) throw BinCountError();
        bins = static_cast<int>(columns);
    }
    std::array<int, kCountedChannels> groupOf{};
    for (int c = 0; c < kCountedChannels; ++c) groupOf[c] = CollectingGroup(channelGroup, c);
    GroupBinTable fresh;
    fresh.Reset(bins);
    ForEachCountsRecord(countsPath, [&](int32_t minutes, const int16_t* counts) {
        int bin = 1;
        if (timeBins) bin = static_cast<int>(std::clamp<int64_t>(minutes / binMinutes + 1, 1, bins));
        double* column = &fresh.at(bin, 0);
        for (int c = 0; c < kCountedChannels; ++c) column[groupOf[c]] += counts[c];
    });
    auto members = GroupChannelCount(channelGroup);
    double largest = 0;
    for (int b = 1; b <= bins; ++b) largest = std::max(largest, MeansOfColumn(fresh, b, members));
    table = std::move(fresh);
    result.found = true;
    result.largest = static_cast<int64_t>(RoundHalfEven(largest));
    return result;
}

bool SumChannelTotals(const std::string& countsPath, std::array<int64_t, kCountedChannels>& totals) {
    std::array<int64_t, kCountedChannels> sums{};
    if (!ForEachCountsRecord(countsPath, [&](int32_t, const int16_t* counts) {
            for (int c = 0; c < kCountedChannels; ++c) sums[c] += counts[c];
        })) {
        platform::MsgBox("Activity file not Found");
        return false;
    }
    totals = sums;
    return true;
}

platform::TimePoint ParseAcquisitionDate(const std::string& name) {
    if (name.size() < 13 || name[8] != '_') return platform::Now();
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12})
        if (name[i] < '0' || name[i] > '9') return platform::Now();
    auto num = [&](int from, int len) { return std::stoi(name.substr(from, len)); };
    platform::LocalTime lt;
    lt.year = num(0, 4);
    lt.month = num(4, 2);
    lt.day = num(6, 2);
    lt.hour = num(9, 2);
    lt.minute = num(11, 2);
    // Only a real date is one: a day past the month's end (20240230) would
    // otherwise be carried into the next month, and a year outside the clock's
    // range (nanoseconds from 1970) cannot be converted at all.
    if (lt.year < kFirstDateYear || lt.year > kLastDateYear || lt.hour > 23 || lt.minute > 59) return platform::Now();
    const std::chrono::year_month_day date{std::chrono::year{lt.year}, std::chrono::month{static_cast<unsigned>(lt.month)},
                                           std::chrono::day{static_cast<unsigned>(lt.day)}};
    if (!date.ok()) return platform::Now();
    return platform::FromLocal(lt);
}

bool SplitTagNames(const std::string& names, std::vector<std::string>& out) {
    out.clear();
    size_t at = 0;
    while (at < names.size()) {
        size_t blank = names.find(' ', at);
        std::string item = names.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
        if (!item.empty()) {
            if (static_cast<int>(out.size()) == kMaxTaggedAcquisitions) return false;
            out.push_back(std::move(item));
        }
        if (blank == std::string::npos) break;
        at = blank + 1;
    }
    return true;
}

TagKinetics LoadTagKinetics(const std::string& projectPath, const std::string& names,
                            std::span<const int16_t> channelGroup, GroupBinTable& table) {
    TagKinetics k;
    std::vector<std::string> list;
    if (!SplitTagNames(names, list)) {
        platform::MsgBox("To many Tagged Sub_Projects! (max=99)");
        k.refused = true;
        return k;
    }
    const int n = static_cast<int>(list.size());
    std::vector<platform::TimePoint> when(n);
    for (int i = 0; i < n; ++i) when[i] = ParseAcquisitionDate(list[i]);
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return when[a] < when[b]; });

    table.Reset(n);
    k.dates.assign(n + 1, platform::TimePoint{});
    auto members = GroupChannelCount(channelGroup);
    std::array<int, kCountedChannels> groupOf{};
    for (int c = 0; c < kCountedChannels; ++c) groupOf[c] = CollectingGroup(channelGroup, c);
    double largest = 0;
    for (int r = 0; r < n; ++r) {
        const std::string& name = list[order[r]];
        k.sorted.push_back(name);
        k.dates[r + 1] = when[order[r]];
        k.sorted_list += " " + name;
        std::string folder = platform::JoinPath(projectPath, name);
        double* column = &table.at(r + 1, 0);
        bool read = IsAcquisitionFolderName(name) &&
                    ForEachCountsRecord(platform::JoinPath(folder, "counts.bin"), [&](int32_t, const int16_t* counts) {
                        for (int c = 0; c < kCountedChannels; ++c) column[groupOf[c]] += counts[c];
                    });
        if (!read) {
            k.missing.push_back(folder);
            platform::MsgBox("Activity file not Found into " + folder);
            continue;
        }
        largest = std::max(largest, MeansOfColumn(table, r + 1, members));
    }
    k.largest = static_cast<int64_t>(RoundHalfEven(largest));
    return k;
}

}  // namespace vondrel::browser
