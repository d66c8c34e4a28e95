#include "techpanel/PanelRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "device/ReplyFormats.h"
#include "platform/Numbers.h"

namespace vondrel::techpanel {

RegisterAddress WriteAddressOf(PanelVariant v, int station, int regOrChannel) {
    if (v == PanelVariant::Twin) {
        const ChannelRegister cr = ChannelRegisterOf(regOrChannel);
        return {cr.address, cr.reg};
    }
    return {0x80 | station, regOrChannel};
}

int SelectedRegisterOf(PanelVariant v, int channel) {
    if (v == PanelVariant::Twin) return channel;
    return static_cast<int>(RoundHalfEven(channel / 2.0));
}

RegisterAddress ReadAddressOf(PanelVariant v, int channel) {
    if (v == PanelVariant::Twin && channel >= 128) return {1, channel - 128};
    return {0, channel};
}

namespace {

std::string CommaAsPoint(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

}  // namespace

std::optional<int> ParseSettingBox(std::string_view text) {
    double x = 0;
    if (!ParseNumber(CommaAsPoint(text), x)) return std::nullopt;
    const double r = RoundHalfEven(x);
    if (r < 0 || r > 7) return std::nullopt;
    return static_cast<int>(r);
}

std::optional<int> SelectorChannel(std::string_view columnText, std::string_view rowText) {
    if (columnText.empty() || rowText.empty()) return std::nullopt;
    const double column = Val(columnText);
    const int letter = static_cast<unsigned char>(rowText[0]);
    const double c = RoundHalfEven((column - 1) * 16 + (letter - 65));
    if (c < 0 || c > kPanelChannels - 1) return std::nullopt;
    return static_cast<int>(c);
}

std::string CellName(int column, int row) {
    return std::string(1, static_cast<char>(65 + row)) + std::to_string(column + 1);
}

LevelWindow AutoGainWindow(double t) {
    return {static_cast<int>(RoundHalfEven((t - 5) * 20.48)), static_cast<int>(RoundHalfEven((t + 5) * 20.48))};
}

int AutocalTarget(double boxValue, bool& corrected) {
    const double t = RoundHalfEven(boxValue);
    corrected = t > 220 || t < 30 || !std::isfinite(t);
    return corrected ? 110 : static_cast<int>(t);
}

int GreyOfLevel(int level) {
    if (level <= 0) return 0;
    return std::min(255, static_cast<int>(RoundHalfEven(level / 8.0)));
}

Cell HoverCell(double x, double y) {
    auto away = [](double v) { return static_cast<int>(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5)); };
    return {away((x - 50) / 100), away((y - 50) / 100)};
}

int BrightnessUp(double b) {
    const int v = static_cast<int>(std::floor(b));
    return v < 255 ? v + 15 : v;
}
int BrightnessDown(double b) {
    const int v = static_cast<int>(std::floor(b));
    return v > 0 ? v - 15 : v;
}
int DotSizeUp(double p) {
    const int v = static_cast<int>(std::floor(p));
    return v < 30 ? v + 1 : 30;
}
int DotSizeDown(double p) {
    const int v = static_cast<int>(std::floor(p));
    return v > 1 ? v - 1 : 1;
}
int DrawnBrightness(double b) { return std::clamp(static_cast<int>(std::floor(std::clamp(b, -1.0, 256.0))), 0, 255); }
int DrawnDotSize(double p) { return std::clamp(static_cast<int>(std::floor(std::clamp(p, 0.0, 1000.0))), 1, 1000); }

double BoxNumber(std::string_view text) {
    const double v = Val(CommaAsPoint(text));
    return std::isfinite(v) ? v : 0.0;
}

int32_t ZoomOffset(int zoom, int traceMax) {
    const int64_t top = static_cast<int64_t>(zoom) * traceMax;
    return top > 2040 ? static_cast<int32_t>(2040 - top) : 0;
}

ScanGeometry ScanGeometryOf(double width, double height) {
    const double w = RoundHalfEven(width), h = RoundHalfEven(height);
    return {static_cast<int>(RoundHalfEven(w / 24)), static_cast<int>(RoundHalfEven(h / 16))};
}

std::string TestHeaderLine(int pinhole, int gain) {
    return "p=" + std::to_string(pinhole) + ",g=" + std::to_string(gain) + "\r\n";
}

std::string TestSampleLine(int sample, std::span<const int16_t> levels) {
    std::string s = "[" + std::to_string(sample) + "]";
    for (int16_t v : levels) s += " " + std::to_string(v);
    return s + "\r\n";
}

std::string TestStatLine(int pinhole, int gain, std::span<const double> values) {
    std::string s = "[p" + std::to_string(pinhole) + ",g" + std::to_string(gain) + "]";
    for (double v : values) s += " " + FormatFixed(v, 0);
    return s + "\r\n";
}

void MeanAndDeviation(std::span<const int16_t> samples, double& mean, double& deviation) {
    double sum = 0;
    for (int16_t v : samples) sum += v;
    mean = samples.empty() ? 0 : sum / static_cast<double>(samples.size());
    double dev = 0;
    for (int16_t v : samples) dev += std::fabs(mean - v);
    deviation = samples.empty() ? 0 : dev / static_cast<double>(samples.size());
}

PortTable ParseMultitsk(std::string_view text) {
    PortTable t{};
    int next = 1;
    size_t pos = 0;
    while (pos <= text.size() && next <= 15) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const size_t comma = line.find(',');
        double a = 0, b = 0;
        if (comma != std::string::npos && line.find(',', comma + 1) == std::string::npos &&
            ParseNumber(line.substr(0, comma), a) && ParseNumber(line.substr(comma + 1), b) && a >= 1 && a <= 15 &&
            a == std::floor(a)) {
            t[static_cast<size_t>(a)] = static_cast<int>(b);  // "i,v" sets entry i
            continue;
        }
        // Otherwise its comma-separated items fill the entries in order.
        size_t p = 0;
        while (p <= line.size() && next <= 15) {
            size_t c = line.find(',', p);
            if (c == std::string::npos) c = line.size();
            double v = 0;
            if (ParseNumber(line.substr(p, c - p), v)) t[static_cast<size_t>(next++)] = static_cast<int>(v);
            p = c + 1;
        }
    }
    return t;
}

std::string FormatMultitsk(const PortTable& t) {
    std::string s;
    for (int i = 1; i <= 15; ++i) s += std::to_string(i) + "," + std::to_string(t[static_cast<size_t>(i)]) + "\r\n";
    return s;
}

}  // namespace vondrel::techpanel
