#include "setup/ProjectRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/Numbers.h"

namespace vondrel::setup {

std::string ProjectFolderName(int number) { return "p" + FormatPadded(number, 5); }

int16_t NextProjectNumber(int16_t last) {
    if (last > kMaxProjectNumber - 1) last = 0;
    return static_cast<int16_t>(last + 1);
}

bool IsProjectEntryName(std::string_view name) {
    return name.size() == 6 && (name[0] == 'p' || name[0] == 'P') && name.find('.') == std::string_view::npos;
}

std::string ProjectListItem(const std::string& folderName, const std::string& summary) {
    const size_t colon = summary.find(':');
    // A summary without ":" loses its first character, as the item is cut
    // after the position of the ":" (0 when there is none) and one more.
    const size_t from = colon == std::string::npos ? 1 : colon + 2;
    return folderName + "_" + (from < summary.size() ? summary.substr(from) : std::string());
}

std::optional<ProjectChoice> ParseProjectListItem(std::string_view item) {
    if (item.empty()) return std::nullopt;
    ProjectChoice c;
    c.folderName = std::string(item.substr(0, 6));
    const std::string& f = c.folderName;
    const bool digit = f.size() > 1 && std::isdigit(static_cast<unsigned char>(f[1]));
    const size_t take = std::min<size_t>(f.size(), digit ? 5 : 4);
    c.number = static_cast<long>(Val(std::string_view(f).substr(f.size() - take)));
    return c;
}

std::string OrganismShortName(int organism) {
    static const char* names[] = {"C.elegans", "Zebrafish", "Echinococcus", "Drosophila"};
    return organism >= 0 && organism <= 3 ? names[organism] : "";
}

int OrganismSnrTenths(int organism) {
    static const int tenths[] = {18, 28, 18, 8};
    return organism >= 0 && organism <= 3 ? tenths[organism] : 0;
}

int OrganismMethod(int organism) {
    static const int methods[] = {1, 1, 2, 3};
    return organism >= 0 && organism <= 3 ? methods[organism] : -1;
}

std::string FormatOneDecimal(double x, std::string_view decimalSign) {
    std::string s = FormatFixed(x, 1);
    const size_t dot = s.find('.');
    if (dot != std::string::npos) s.replace(dot, 1, decimalSign);
    return s;
}

std::string DetectionSummary(int method, int organism, int snrTenths, std::string_view decimalSign) {
    return "Detection Mode" + std::to_string(method) + ", " + OrganismShortName(organism) + " [snr " +
           FormatOneDecimal(snrTenths / 10.0, decimalSign) + "]";
}

std::string PlainSnrText(int snrTenths) { return FormatReal(snrTenths / 10.0); }

double TextNumber(std::string_view text) {
    std::string t(text);
    std::replace(t.begin(), t.end(), ',', '.');
    return Val(t);
}

BoxRule LapseRule(std::string_view text) {
    const double v = TextNumber(text);
    if (v >= kMaxProjectNumber) return {static_cast<int16_t>(kMaxProjectNumber), "32000"};
    if (v <= 0) return {2, "2"};
    // Above 0 and below 32000: rounded, so 0.4 is kept as 0.
    return {static_cast<int16_t>(RoundHalfEven(v)), std::nullopt};
}

BoxRule BufferRule(std::string_view text) {
    const double v = TextNumber(text);
    if (v < 200 || v > 10000) return {200, "200"};
    return {static_cast<int16_t>(RoundHalfEven(v)), std::nullopt};
}

int16_t WholeNumberRule(std::string_view text, int16_t previous) {
    try {
        return ToInt16(TextNumber(text));
    } catch (const NumericError&) {
        return previous;
    }
}

namespace {
// A whole text as a number written with "." or the decimal sign.
std::optional<double> NumericText(std::string_view text, std::string_view decimalSign) {
    std::string t(text);
    if (!decimalSign.empty() && decimalSign != ".") {
        const size_t at = t.find(decimalSign);
        if (at != std::string::npos) t.replace(at, decimalSign.size(), ".");
    }
    double v = 0;
    if (!ParseNumber(t, v)) return std::nullopt;
    return v;
}
}  // namespace

std::string ReformatSnrText(std::string_view text, std::string_view decimalSign) {
    if (auto v = NumericText(text, decimalSign)) return FormatOneDecimal(*v, decimalSign);
    return std::string(text);
}

SnrCheck CheckSnr(std::string_view text, int organism) {
    const double x = TextNumber(text);
    const bool fly = organism == 3;
    const bool inRange = fly ? (x >= 0.5 && x < 1.0) : (x >= 1.4 && x <= 5.0);
    SnrCheck c;
    if (inRange) {
        c.accepted = true;
        c.tenths = static_cast<int16_t>(RoundHalfEven(x * 10.0));
        return c;
    }
    c.message = fly ? "Enter a valid SNR: 0.5 to 0.9" : "Enter a valid SNR: 1.4 to 5.0";
    if (organism >= 0 && organism <= 3) c.defaultTenths = static_cast<int16_t>(OrganismSnrTenths(organism));
    return c;
}

const std::vector<std::string>& AcquisitionModeItems() {
    static const std::vector<std::string> items = {"0_Offline",     "1_Default",     "2_Fast(0.31)",
                                                   "3_Fast(32.63)", "4_Fast(64.95)", "5_Fast(96.127)"};
    return items;
}

const std::vector<std::string>& DetectionMethodItems() {
    static const std::vector<std::string> items = {
        "0_Threshold+Binary (Old Method.w/filters)", "1_Threshold Avrg (Default.Agar&Liquid)",
        "2_Motility Index(ameboid movement)", "3_Drosophila (Threshold)"};
    return items;
}

const std::vector<std::string>& OrganismItems() {
    static const std::vector<std::string> items = {"C.elegans", "Zebrafish", "Echinococcus", "Drosophila"};
    return items;
}

}  // namespace vondrel::setup
