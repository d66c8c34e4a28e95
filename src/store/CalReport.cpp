#include "store/CalReport.h"

#include <string>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"
#include "store/SettingsText.h"

namespace vondrel {

namespace {
std::string CalPath() { return platform::JoinPath(platform::ProgramFolder(), "calvalue.dat"); }
std::string ReportPath() { return platform::JoinPath(platform::ProgramFolder(), "repoconf.dat"); }

bool ToSetting(const std::string& text, int16_t& out) {
    double v;
    if (!ParseNumber(text, v)) return false;
    try {
        out = ToInt16(v);
    } catch (const NumericError&) {
        return false;
    }
    return true;
}

void Bound(int16_t& v, int lo, int hi, int16_t fallback) {
    if (v < lo || v > hi) v = fallback;
}
}  // namespace

bool ReadCalValues() {
    auto in = platform::LineReader::Open(CalPath());
    std::string raw;
    if (!in || !in->Next(raw)) return false;  // not even the header
    int k = 0;
    // Values are stored by the order of the non-empty lines; the channel
    // number in the first field is not used. Reading stops after the last
    // channel's line.
    while (k <= kChannels && in->Next(raw)) {
        if (raw.empty()) continue;
        std::string line;
        for (char c : raw)
            if (c != '"') line += c;
        size_t first = line.find(',');
        size_t second = first == std::string::npos ? first : line.find(',', first + 1);
        if (second == std::string::npos) return false;
        if (!ToSetting(line.substr(first + 1, second - first - 1), g_channel_pinhole[k])) return false;
        if (!ToSetting(line.substr(second + 1), g_channel_gain[k])) return false;
        ++k;
    }
    return !in->Failed();
}

bool WriteCalValues() {
    SettingsWriter out;
    out.Header("<Num_Channel>, <PinHole>, <Gain> ");
    for (int c = 0; c < kChannels; ++c) out.Int(c).Int(g_channel_pinhole[c]).Int(g_channel_gain[c]).EndLine();
    return out.Save(CalPath());
}

bool WriteDefaultCalValues() {
    for (int c = 0; c < kChannels; ++c) {
        g_channel_pinhole[c] = 2;
        g_channel_gain[c] = 3;
    }
    return WriteCalValues();
}

const std::string& GetListSeparator() {
    g_list_separator = platform::LocaleListSeparator();
    return g_list_separator;
}

void SetDefaultReportSettings() {
    GetListSeparator();
    g_report_bin = 30;
    g_report_filetype = 0;
    g_report_spacer = g_list_separator;
    g_report_std_error = 1;
    g_report_std_dev = 0;
    g_report_n = 1;
    g_report_out_format = 0;
    g_report_organism = 0;
    g_report_method = 1;
    g_report_threshold = 18;
    g_report_rawexport = 0;
}

void ValidateReportSettings() {
    Bound(g_report_bin, 2, 1440, 30);
    Bound(g_report_filetype, 0, 1, 0);
    Bound(g_report_out_format, 0, 3, 0);
    Bound(g_report_std_error, 0, 1, 1);
    Bound(g_report_std_dev, 0, 1, 0);
    Bound(g_report_n, 0, 1, 1);
    Bound(g_report_method, 0, 2, 1);
    Bound(g_report_organism, 0, 3, 0);
    Bound(g_report_threshold, 5, 30, 18);
    Bound(g_report_rawexport, 0, 1, 0);
}

void SaveReportSettings(int16_t userDefined) {
    SettingsWriter out;
    out.Header(
        "<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, <out_format>, <organism>, <method>, "
        "<threshold>, <rawexport>");
    out.Int(userDefined).Int(g_report_bin).Int(g_report_filetype).Text(g_report_spacer).Int(g_report_std_error);
    out.Int(g_report_std_dev).Int(g_report_n).Int(g_report_out_format).Int(g_report_organism).Int(g_report_method);
    out.Int(g_report_threshold).Int(g_report_rawexport).EndLine();
    if (!out.Save(ReportPath())) platform::MsgBox("Error Writing Report Configuration (repoconf.dat)");
}

int16_t LoadReportSettings(int16_t userDefined) {
    if (platform::FileExists(ReportPath()) && userDefined != 0) {
        try {
            auto in = SettingsReader::Open(ReportPath());
            if (!in) throw SettingsError("unreadable");
            in->SkipText();
            int16_t stored = in->ReadInt16();
            g_report_bin = in->ReadInt16();
            g_report_filetype = in->ReadInt16();
            g_report_spacer = in->ReadText();
            g_report_std_error = in->ReadInt16();
            g_report_std_dev = in->ReadInt16();
            g_report_n = in->ReadInt16();
            g_report_out_format = in->ReadInt16();
            g_report_organism = in->ReadInt16();
            g_report_method = in->ReadInt16();
            g_report_threshold = in->ReadInt16();
            g_report_rawexport = in->ReadInt16();
            ValidateReportSettings();
            return stored;
        } catch (const SettingsError&) {
            platform::MsgBox("Error loading repoconf.dat -> Using Default values");
            SetDefaultReportSettings();
            SaveReportSettings(0);
            return 0;
        }
    }
    // The defaults are written with the caller's flag: the start-up, which
    // asks for the user's settings, finds them marked as such next time.
    SetDefaultReportSettings();
    SaveReportSettings(userDefined);
    return 0;
}

}  // namespace vondrel
