// The text of an activity report and the name of its file.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "reports/ReportSteps.h"
#include "store/RunFiles.h"

namespace vondrel::reports {
namespace {

constexpr const char* kEol = "\r\n";

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

class ReportText {
public:
    // With `pieces`, the text goes to it a window at a time instead of being
    // held whole.
    ReportText(const ReportData& d, const ReportControls& ctl, int32_t T, int16_t B, bool basal,
               const platform::TextPieces* pieces = nullptr)
        : d_(d), ctl_(ctl), s_(ctl.spacer), T_(T), B_(B), basal_(basal), decimal_(platform::LocaleDecimalSeparator()),
          pieces_(pieces) {
        const int64_t n = static_cast<int64_t>(RoundHalfEven(static_cast<double>(T) / B));
        if (n > 32767) throw NumericError("Overflow");
        N_ = n == 0 ? 1 : static_cast<int32_t>(n);
        for (int ch = 0; ch < kChannels; ++ch) G_ = std::max<int32_t>(G_, d.m_report_channel_group[ch]);
    }

    std::string Build() {
        Header();
        switch (ctl_.layout) {
            case ReportLayout::Rows: GroupActivityRows(); break;
            case ReportLayout::List: GroupActivityList(); break;
            case ReportLayout::WellArray: WellArrayGroups(); break;
            case ReportLayout::ChannelArray: ChannelArrayGroups(); break;
            case ReportLayout::Histogram: GroupHistogram(); break;
        }
        const bool rowsOrList = ctl_.layout == ReportLayout::Rows || ctl_.layout == ReportLayout::List;
        if (ctl_.standardError && rowsOrList)
            GroupStatistic("<<<<<< Group Activity: Standard Error >>>>>>", [&](int32_t t, int32_t g) {
                return Fixed(StandardError(t, g));
            }, Fixed(0));
        if (ctl_.standardDeviation && (rowsOrList || ctl_.layout == ReportLayout::Histogram))
            GroupStatistic("<<<<<< Group Activity: Standard Deviation >>>>>>", [&](int32_t t, int32_t g) {
                return Fixed(static_cast<double>(Cell(d_.m_group_bin_sd, t, g)));
            }, Fixed(0));
        if (ctl_.wellsPerGroup && rowsOrList)
            GroupStatistic("<<<<<< Group Activity: Number of wells/group >>>>>>", [&](int32_t, int32_t g) {
                return std::to_string(WellCount(g));
            }, std::string(), true);
        if (rowsOrList) Samples();
        Line("");
        Temperature();
        switch (ctl_.layout) {
            case ReportLayout::Rows: WellRows(); break;
            case ReportLayout::List: WellList(); break;
            case ReportLayout::WellArray: WellArrayBlocks(); break;
            case ReportLayout::Histogram: WellHistogram(); break;
            default: break;
        }
        if (!basal_) {
            if (ctl_.layout == ReportLayout::Rows) ChannelRows();
            else if (ctl_.layout == ReportLayout::List) ChannelList();
            else if (ctl_.layout == ReportLayout::ChannelArray) ChannelArray();
        }
        if (pieces_) {
            (*pieces_)(out_);
            out_.clear();
        }
        return std::move(out_);
    }

private:
    static constexpr size_t kWindow = 1 << 16;

    void Line(const std::string& s) {
        out_ += s;
        out_ += kEol;
        if (pieces_ && out_.size() >= kWindow) {
            (*pieces_)(out_);
            out_.clear();
        }
    }

    std::string Fixed(double x) const {
        std::string t = FormatFixed(x, 1);
        if (decimal_ != ".") {
            const size_t dot = t.find('.');
            if (dot != std::string::npos) t.replace(dot, 1, decimal_);
        }
        // A decimal sign that is also the spacer would split the number into
        // two cells: such a number is quoted, as the texts are.
        if (!s_.empty() && t.find(s_) != std::string::npos) return Quoted(t);
        return t;
    }

    bool Present(int32_t t) const {
        return static_cast<size_t>(t) < d_.m_bin_has_data.size() && d_.m_bin_has_data[t];
    }
    int32_t EndMinute(int32_t t) const {
        const int32_t v = t * B_;
        if (v > 32767 || v < -32768) throw NumericError("Overflow");
        return v;
    }
    std::string BinTime(int32_t t) const { return std::to_string(std::min(EndMinute(t), T_)); }

    static int32_t Cell(const BinTable<int32_t>& table, int32_t t, int32_t i) {
        if (static_cast<size_t>(t) >= table.Bins() || static_cast<size_t>(i) >= table.width) return 0;
        return table.At(t, i);
    }
    int32_t WellCount(int32_t g) const {
        return static_cast<size_t>(g) < d_.m_group_well_count.size() ? d_.m_group_well_count[g] : 0;
    }
    double StandardError(int32_t t, int32_t g) const {
        const int32_t n = WellCount(g);
        const int32_t sd = Cell(d_.m_group_bin_sd, t, g);
        if (n < 1 || sd < 1) return 0;
        return sd / std::sqrt(static_cast<double>(n));
    }

    std::string GroupLabel(int32_t g) const {
        const std::string name =
            static_cast<size_t>(g) < d_.m_report_group_names.size() ? d_.m_report_group_names[g] : std::string();
        return Quoted(FormatPadded(g, 3) + "_" + name);
    }
    std::string GroupCell(int ch) const {
        const int g = d_.m_report_channel_group[ch];
        return g < 0 ? Quoted("999_Free") : GroupLabel(g);
    }
    int32_t Rows() const {
        if (d_.m_report_plate_rows <= 0) throw NumericError("Division by zero");
        return d_.m_report_plate_rows;
    }
    std::string WellLabel(int32_t p) const {
        const int32_t rows = Rows();
        const int32_t col = p / rows;
        return std::string(1, static_cast<char>(65 + (p - rows * col))) + std::to_string(col + 1);
    }
    std::string ChannelLabel(int ch) const {
        return WellLabel(d_.m_report_channel_well[ch]) + "." + std::to_string(d_.m_report_channel_beam[ch]);
    }
    static std::string RowLetter(int r) { return std::string(1, static_cast<char>(65 + r)); }

    void Header() {
        const auto now = platform::ToLocal(platform::Now());
        char date[40];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d %02d:%02d:%02d", now.day, now.month, now.year, now.hour,
                      now.minute, now.second);
        Line(Quoted("DATE:") + s_ + Quoted(date));
        Line(Quoted("FILE:") + s_ + Quoted(ctl_.inputFolder));
        Line(Quoted("SUBPROJECT:") + s_ + Quoted(ReadSubprojectName(ctl_.inputFolder)));
        Line(Quoted("SETTING:") + s_ + Quoted(d_.m_setting_text));
        if (basal_) {
            Line(Quoted("TIME0(BASAL MEASSURE):") + s_ + Quoted(ctl_.basal));
            Line("");
            Line(Quoted("***DATA AS % OF BASAL ACTIVITY***"));
        } else {
            Line("");
        }
    }

    std::string RowsHead() const {
        std::string h = "Group/Time[m]";
        if (basal_) h += s_ + "0";
        for (int32_t t = 1; t <= N_; ++t)
            if (Present(t)) h += s_ + BinTime(t);
        return h;
    }
    void ListHead() {
        Line("Time" + s_ + "Group" + s_ + "Value");
        Line("");
    }

    // A per-group section in the Rows or List layout; `basalValue` empty means
    // the group's well count.
    template <typename F>
    void GroupStatistic(const std::string& title, F value, const std::string& basalValue, bool wells = false) {
        Line(Quoted(title));
        auto basalCell = [&](int32_t g) { return wells ? std::to_string(WellCount(g)) : basalValue; };
        if (ctl_.layout == ReportLayout::List) {
            ListHead();
            for (int32_t g = 0; g <= G_; ++g) {
                if (basal_) Line("0" + s_ + GroupLabel(g) + s_ + basalCell(g));
                for (int32_t t = 1; t <= N_; ++t)
                    if (Present(t)) Line(BinTime(t) + s_ + GroupLabel(g) + s_ + value(t, g));
                Line("");
            }
        } else {
            Line(RowsHead());
            for (int32_t g = 0; g <= G_; ++g) {
                std::string l = GroupLabel(g);
                if (basal_) l += s_ + basalCell(g);
                for (int32_t t = 1; t <= N_; ++t)
                    if (Present(t)) l += s_ + value(t, g);
                Line(l);
            }
            Line("");
        }
    }

    void GroupActivityRows() {
        GroupStatistic("<<<<<< Group Activity: Average Activity Counts per Data Interval>>>>>>",
                       [&](int32_t t, int32_t g) { return std::to_string(Cell(d_.m_group_bin_mean, t, g)); }, "100");
    }
    void GroupActivityList() { GroupActivityRows(); }

    std::string ColumnHead(int cols) const {
        std::string h = "Row/Column" + s_;
        for (int c = 1; c <= cols; ++c) h += std::to_string(c) + s_;
        return h;
    }
    // The first-beam channel of the well at a plate position; -1 for none.
    int WellChannel(int32_t p) const { return p > d_.m_report_max_well ? -1 : d_.WellBeamChannel(p, 0); }

    void WellArrayGroups() {
        Line(Quoted("<<<<<<WELL ARRAY. Group Configuration>>>>>>"));
        Line(ColumnHead(d_.m_report_plate_cols));
        const int rows = d_.m_report_plate_rows;
        for (int r = 0; r < rows; ++r) {
            std::string l = Quoted(RowLetter(r));
            for (int c = 0; c < d_.m_report_plate_cols; ++c) {
                const int ch = WellChannel(c * rows + r);
                if (ch < 0 || d_.m_report_channel_well[ch] < 0) l += s_ + "-";
                else l += s_ + GroupCell(ch);
            }
            Line(l);
        }
        Line("");
    }
    void ChannelArrayGroups() {
        Line(Quoted("<<<<<<CHANNEL ARRAY. Group Configuration>>>>>>"));
        Line(ColumnHead(24));
        for (int r = 0; r < 16; ++r) {
            std::string l = Quoted(RowLetter(r));
            for (int c = 0; c < 24; ++c) {
                const int ch = c * 16 + r;
                if (d_.m_report_channel_well[ch] < 0) l += s_ + "-";
                else if (d_.m_report_channel_group[ch] < 0) l += s_ + Quoted(" 999_Free");
                else l += s_ + GroupLabel(d_.m_report_channel_group[ch]);
            }
            Line(l);
        }
        Line("");
    }

    std::string ClassHead() const {
        std::string h;
        for (int k = 0; k <= 30; ++k) h += s_ + Fixed(k * d_.m_hist_seconds_per_sample);
        return h;
    }
    static int32_t Hist(const BinTable<int32_t>& table, int32_t t, int32_t i, int k) {
        return Cell(table, t, i * kHistClasses + k);
    }
    void GroupHistogram() {
        Line(Quoted("<<<<<< Group Histogram: Average Number of Frequency Counts per Data Interval>>>>>>"));
        Line("Time[m]" + s_ + "Group/Frequency:" + ClassHead());
        for (int32_t t = 1; t <= N_; ++t) {
            if (!Present(t)) continue;
            for (int32_t g = 0; g <= G_; ++g) {
                std::string l = BinTime(t) + s_ + GroupLabel(g);
                for (int k = 0; k <= 30; ++k) l += s_ + std::to_string(Hist(d_.m_group_bin_histogram, t, g, k));
                Line(l);
            }
        }
    }

    std::string TimeHeadWithSpacers() const {
        std::string h = "Time[m]" + s_;
        if (basal_) h += "0" + s_;
        for (int32_t t = 1; t <= N_; ++t)
            if (Present(t)) h += BinTime(t) + s_;
        return h;
    }
    int32_t SampleCount(int32_t t) const {
        const int64_t v = static_cast<int64_t>(B_) * d_.m_bin_sample_count[t];
        if (v > INT32_MAX) throw NumericError("Overflow");
        return static_cast<int32_t>(v);
    }
    void Samples() {
        Line(Quoted("<<<<<< Number of Samples per Acquisition Interval [1unit=500values] >>>>>>"));
        if (ctl_.layout == ReportLayout::Rows) {
            Line(TimeHeadWithSpacers());
            std::string l = "#Samples" + s_;
            if (basal_) l += std::to_string(B_) + s_;
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) l += std::to_string(SampleCount(t)) + s_;
            Line(l);
        } else {
            Line("Time" + s_ + "#Samples");
            Line("");
            if (basal_) Line("0" + s_ + std::to_string(B_));
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) Line(BinTime(t) + s_ + std::to_string(SampleCount(t)));
        }
    }
    std::string TemperatureCell(int32_t t) const {
        const int32_t v = static_cast<size_t>(t) < d_.m_bin_temperature.size() ? d_.m_bin_temperature[t] : 0;
        return Fixed(v / 10.0);
    }
    void Temperature() {
        Line(Quoted("<<<<<< Average Temperature [°C] >>>>>>"));
        if (ctl_.layout == ReportLayout::List) {
            Line("Time" + s_ + "Avrg_Temp[°C]");
            Line("");
            if (basal_) Line("0" + s_ + "?");
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) Line(BinTime(t) + s_ + TemperatureCell(t));
        } else {
            Line(TimeHeadWithSpacers());
            std::string l = "Temp[°C]" + s_;
            if (basal_) l += "?" + s_;
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) l += TemperatureCell(t) + s_;
            Line(l);
        }
        Line("");
    }

    void WellRows() {
        Line(Quoted("<<<<<< Well Activity >>>>>>"));
        std::string h = "Well" + s_ + "Group/Time[m]";
        if (basal_) h += s_ + "0";
        for (int32_t t = 1; t <= N_; ++t)
            if (Present(t)) h += s_ + BinTime(t);
        Line(h);
        for (int32_t p = 0; p <= d_.m_report_max_well; ++p) {
            const int ch = WellChannel(p);
            if (ch < 0) continue;
            std::string l = WellLabel(p) + s_ + GroupCell(ch);
            if (basal_) l += s_ + "100";
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) l += s_ + std::to_string(Cell(d_.m_well_bin_value, t, p));
            Line(l);
        }
        Line("");
    }
    void WellList() {
        Line(Quoted("<<<<<< Well Activity >>>>>>"));
        Line("Time" + s_ + "Well" + s_ + "Group" + s_ + "Value");
        Line("");
        for (int32_t p = 0; p <= d_.m_report_max_well; ++p) {
            const int ch = WellChannel(p);
            if (ch >= 0) {
                const std::string mid = s_ + WellLabel(p) + s_ + GroupCell(ch) + s_;
                if (basal_) Line("0" + mid + "100");
                for (int32_t t = 1; t <= N_; ++t)
                    if (Present(t)) Line(BinTime(t) + mid + std::to_string(Cell(d_.m_well_bin_value, t, p)));
            }
            Line("");
        }
    }
    void WellArrayBlocks() {
        Line(Quoted("<<<<<<WELL ARRAY. Well Activity>>>>>>"));
        const int rows = d_.m_report_plate_rows, cols = d_.m_report_plate_cols;
        if (basal_) {
            Line("Time_Block[m]" + s_ + "0");
            Line(ColumnHead(cols));
            for (int r = 0; r < rows; ++r) {
                std::string l = Quoted(RowLetter(r));
                for (int c = 0; c < cols; ++c) {
                    const int ch = WellChannel(c * rows + r);
                    l += s_ + ((ch < 0 || d_.m_report_channel_well[ch] < 0) ? std::string("-") : std::string("100"));
                }
                Line(l);
            }
            Line("");
        }
        for (int32_t t = 1; t <= N_; ++t) {
            Line("Time_Block[m]" + s_ + BinTime(t));
            Line(ColumnHead(cols));
            for (int r = 0; r < rows; ++r) {
                std::string l = RowLetter(r);
                for (int c = 0; c < cols; ++c) {
                    const int32_t p = c * rows + r;
                    l += s_ + ((Present(t) && WellChannel(p) >= 0) ? std::to_string(Cell(d_.m_well_bin_value, t, p))
                                                                  : std::string("-"));
                }
                Line(l);
            }
            Line("");
        }
    }
    void WellHistogram() {
        Line(Quoted("<<<<<< Well Histogram: Average Number of Frequency Counts per Data Interval>>>>>>"));
        Line("Time[m]" + s_ + "Well" + s_ + "Group/Frequency:" + ClassHead());
        for (int32_t t = 1; t <= N_; ++t) {
            if (!Present(t)) continue;
            for (int32_t p = 0; p <= d_.m_report_max_well; ++p) {
                const int ch = WellChannel(p);
                if (ch < 0) continue;
                std::string l = std::to_string(EndMinute(t)) + s_ + WellLabel(p) + s_ + GroupCell(ch);
                for (int k = 0; k <= 30; ++k) l += s_ + std::to_string(Hist(d_.m_well_bin_histogram, t, p, k));
                Line(l);
            }
        }
    }

    void ChannelRows() {
        Line(Quoted("<<<<<< Channel Activity >>>>>>"));
        std::string h = "Channel" + s_ + "Well" + s_ + "Group/Time[m]";
        for (int32_t t = 1; t <= N_; ++t)
            if (Present(t)) h += s_ + BinTime(t);
        Line(h);
        for (int ch = 0; ch < kChannels; ++ch) {
            if (d_.m_report_channel_well[ch] < 0) continue;
            std::string l = "CH" + std::to_string(ch) + s_ + ChannelLabel(ch) + s_ + GroupCell(ch);
            for (int32_t t = 1; t <= N_; ++t)
                if (Present(t)) l += s_ + std::to_string(Cell(d_.m_channel_bin_sum, t, ch));
            Line(l);
        }
    }
    void ChannelList() {
        Line(Quoted("<<<<<< Channel Activity >>>>>>"));
        Line("Time" + s_ + "Channel" + s_ + "Well" + s_ + "Group" + s_ + "Value");
        Line("");
        for (int ch = 0; ch < kChannels; ++ch) {
            if (d_.m_report_channel_well[ch] >= 0) {
                const std::string mid = s_ + "CH" + std::to_string(ch) + s_ + ChannelLabel(ch) + s_ + GroupCell(ch) + s_;
                for (int32_t t = 1; t <= N_; ++t)
                    if (Present(t)) Line(BinTime(t) + mid + std::to_string(Cell(d_.m_channel_bin_sum, t, ch)));
            }
            Line("");
        }
    }
    void ChannelArray() {
        Line("ARRAY OUTPUT FORMAT");
        for (int32_t t = 1; t <= N_; ++t) {
            if (!Present(t)) continue;
            Line("Time_Block[m]" + s_ + BinTime(t));
            Line(ColumnHead(24));
            for (int r = 0; r < 16; ++r) {
                std::string l = RowLetter(r);
                for (int c = 0; c < 24; ++c) {
                    const int ch = c * 16 + r;
                    l += s_ + (d_.m_report_channel_well[ch] < 0 ? std::string("-")
                                                                : std::to_string(Cell(d_.m_channel_bin_sum, t, ch)));
                }
                Line(l);
            }
            Line("");
        }
    }

    const ReportData& d_;
    const ReportControls& ctl_;
    const std::string s_;
    int32_t T_;
    int16_t B_;
    bool basal_;
    std::string decimal_;
    int32_t N_ = 1;
    int32_t G_ = 0;
    const platform::TextPieces* pieces_;
    std::string out_;
};

}  // namespace

std::string BuildReportText(const ReportData& data, const ReportControls& controls, int32_t T, int16_t B, bool basal) {
    if (B == 0) throw NumericError("Division by zero");
    return ReportText(data, controls, T, B, basal).Build();
}

void BuildReportText(const ReportData& data, const ReportControls& controls, int32_t T, int16_t B, bool basal,
                     const platform::TextPieces& pieces) {
    if (B == 0) throw NumericError("Division by zero");
    ReportText(data, controls, T, B, basal, &pieces).Build();
}

std::string FindReportFileName(const std::string& folder, const std::string& extension) {
    for (int n = 0; n <= 32767; ++n) {
        const std::string base = n == 0 ? std::string("report") : "report_" + std::to_string(n);
        const std::string path = platform::JoinPath(folder, base + extension);
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fclose(f);
            return base;
        }
        // Only a name that is there but cannot be opened (held by another
        // program, or a folder of that name) moves on to the next number.
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) break;
    }
    throw ReportFailure("no report file can be created in " + folder);
}

std::string SafeReportCopyName(const std::string& name) {
    std::string out = name;
    for (char& ch : out) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (u < 32 || u == 127 || std::string_view(" /\\:*?\"<>|").find(ch) != std::string_view::npos) ch = '_';
    }
    return out;
}

}  // namespace vondrel::reports
