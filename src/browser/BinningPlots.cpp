#include "browser/BinningPlots.h"

#include <algorithm>
#include <chrono>

#include "platform/Locale.h"
#include "platform/Numbers.h"

namespace vondrel::browser {

std::array<Rgb, 385> KineticsPalette() {
    std::array<Rgb, 385> p{};
    for (int b = 0; b <= 364; b += 13) {
        double z = RoundHalfEven(255 - (383.0 / 255.0) * b);
        auto Z = static_cast<uint8_t>(std::max(0.0, z));
        const Rgb block[13] = {{Z, 0, 0},   {0, Z, 0},   {0, 0, Z},   {Z, Z, 0},   {0, Z, Z},
                               {Z, 0, Z},   {0, 0, 0},   {Z, 128, 0}, {128, Z, 0}, {0, 128, Z},
                               {Z, 0, 128}, {0, Z, 128}, {128, 0, Z}};
        for (int i = 0; i < 13 && b + i < 385; ++i) p[b + i] = block[i];
    }
    return p;
}

int StepBinSize(double typed, bool plus, int binCount, int binMinutes) {
    int b = static_cast<int>(RoundHalfEven(std::clamp(typed, -1e6, 1e6)));
    if (plus) {
        b = b <= 4 ? 5 : b <= 120 ? b + 5 : 120;
    } else {
        b = b <= 5 ? 5 : b <= 9 ? b : b <= 120 ? b - 5 : 120;
    }
    int span = std::max((binCount - 1) * binMinutes, 30);
    auto half = [&] { return static_cast<int>(RoundHalfEven(span / 2.0)); };
    if (span / 2.0 < b) b = half();
    if (span % b != 0) {
        if (plus) {
            while (span / 2.0 > b && span % b != 0) b += 5;
            if (span / 2.0 < b) b = half();
        } else {
            while (span % b != 0 && b > 5) b -= 5;
            if (b < 5) b = 5;
        }
    }
    return b;
}

double RelativizeToTime0(GroupBinTable& table, const std::vector<int>& groups) {
    double top = 100;
    std::vector<int> once = groups;  // a group listed twice is made relative once
    std::sort(once.begin(), once.end());
    once.erase(std::unique(once.begin(), once.end()), once.end());
    for (int g : once) {
        double first = table.at(1, g);
        for (int c = 2; c <= table.bin_count; ++c) {
            double& cell = table.at(c, g);
            if (first > 0) {
                cell = cell / first * 100;
                if (cell > top) top = RoundHalfEven(cell);
            } else {
                cell = 0;
            }
        }
        if (table.bin_count >= 1) table.at(1, g) = first > 0 ? 100 : 0;
    }
    return top;
}

namespace {

double MinutesBetween(platform::TimePoint from, platform::TimePoint to) {
    return std::chrono::duration<double, std::ratio<60>>(to - from).count();
}

std::string OneDecimal(double v) {
    std::string s = FormatFixed(v, 1);
    auto dot = s.find('.');
    if (dot != std::string::npos) s.replace(dot, 1, platform::LocaleDecimalSeparator());
    return s;
}

std::string Whole(double v) { return std::to_string(static_cast<int64_t>(RoundHalfEven(v))); }

}  // namespace

TagAxis TagColumnAxis(const std::vector<platform::TimePoint>& columnDates) {
    TagAxis axis;
    const size_t n = columnDates.empty() ? 0 : columnDates.size() - 1;
    axis.minutes.assign(n + 1, 0);
    axis.labels.assign(n + 1, "");
    if (n == 0) {
        axis.unit = "min";
        return axis;
    }
    double days = MinutesBetween(columnDates[1], columnDates[n]) / 1440;
    axis.unit = days > 3 ? "day" : days > 1 ? "h" : "min";
    for (size_t c = 1; c <= n; ++c) {
        axis.minutes[c] = MinutesBetween(columnDates[1], columnDates[c]);
        if (columnDates[c] == columnDates[1]) {
            axis.labels[c] = "0";
            continue;
        }
        double m = RoundHalfEven(axis.minutes[c]);
        axis.labels[c] = axis.unit == "min" ? Whole(m) : axis.unit == "h" ? OneDecimal(m / 60) : OneDecimal(m / 1440);
    }
    return axis;
}

int ItemGroup(const std::string& item) {
    int g = 0;
    for (size_t i = 0; i < 3 && i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i) g = g * 10 + (item[i] - '0');
    return g > 383 ? kFreeGroup : g;
}

KineticsReportText TagKineticsReport(const GroupBinTable& table, const std::string& sortedList,
                                  const std::vector<platform::TimePoint>& columnDates,
                                  const std::vector<std::string>& items, const std::string& sep) {
    KineticsReportText out;
    std::string names = sortedList;
    std::string acq;
    for (char ch : names) {
        if (ch == ' ') acq += sep;
        else acq += ch;
    }
    out.acq_line = "Acq:" + acq + "\r\n";
    TagAxis axis = TagColumnAxis(columnDates);
    out.rows = "Group/Time[" + axis.unit + "]";
    for (int c = 1; c <= table.bin_count; ++c) out.rows += sep + axis.labels[c];
    out.rows += "\r\n";
    for (const std::string& item : items) {
        int g = ItemGroup(item);
        out.rows += "[#" + item.substr(0, 10) + "]";
        for (int c = 1; c <= table.bin_count; ++c) out.rows += sep + Whole(table.at(c, g));
        out.rows += "\r\n";
    }
    return out;
}

}  // namespace vondrel::browser
