#include "browser/RawView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "detection/DetectionResults.h"
#include "detection/EventCounter.h"
#include "platform/Numbers.h"

namespace vondrel::browser {

namespace {

constexpr uint32_t kBoundaryGrey = 0xC8C8C8;  // RGB(200, 200, 200)
constexpr uint32_t kLineGrey = 0x808080;      // RGB(128, 128, 128)

void AddLine(PlotPlan& plan, double x1, double y1, double x2, double y2, uint32_t bgr) {
    PlotPrimitive p;
    p.kind = PlotPrimitive::Kind::Line;
    p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2, p.bgr = bgr;
    plan.items.push_back(std::move(p));
}

void AddText(PlotPlan& plan, double x, double y, std::string text, uint32_t bgr = kPlotBlack) {
    PlotPrimitive p;
    p.kind = PlotPrimitive::Kind::Text;
    p.x1 = x, p.y1 = y, p.text = std::move(text), p.bgr = bgr;
    plan.items.push_back(std::move(p));
}

void SetRawScale(PlotPlan& plan) {
    plan.empty = false;
    plan.left = kRawPlotLeft, plan.top = kRawPlotTop, plan.right = kRawPlotRight, plan.bottom = kRawPlotBottom;
}

// Elapsed minutes of record `index` of counts.bin; nullopt when the file
// holds no such whole record.
std::optional<int32_t> RecordMinute(int fd, uint64_t fileSize, int64_t index) {
    if (fd < 0 || index < 0) return std::nullopt;
    const uint64_t at = static_cast<uint64_t>(index) * kCountsRecordBytes;
    if (at + kCountsRecordBytes > fileSize) return std::nullopt;
    unsigned char b[4];
    if (::pread(fd, b, sizeof b, static_cast<off_t>(at)) != static_cast<ssize_t>(sizeof b)) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

Rgb TraceColour(int beam, int maxBeam) {
    if (maxBeam <= 4) {
        switch (beam) {
            case 0: return {255, 0, 0};
            case 1: return {0, 0, 255};
            case 2: return {0, 255, 0};
            case 3: return {200, 128, 0};
            default: return {0, 0, 0};
        }
    }
    const auto v = static_cast<int>(RoundHalfEven(static_cast<double>(beam) / maxBeam * 255));
    const int c = std::clamp(v, 0, 255);
    return {static_cast<uint8_t>(c), static_cast<uint8_t>(255 - c), 0};
}

std::vector<RawTrace> WellTraces(int channel, std::span<const int16_t> channelWell,
                                 const std::vector<std::vector<int16_t>>& wellBeamChannel, int maxBeam) {
    std::vector<RawTrace> out;
    if (channel < 0 || static_cast<size_t>(channel) >= channelWell.size()) return out;
    const int well = channelWell[static_cast<size_t>(channel)];
    if (well < 0 || static_cast<size_t>(well) >= wellBeamChannel.size()) return out;
    const auto& beams = wellBeamChannel[static_cast<size_t>(well)];
    for (int k = 0; k <= maxBeam && static_cast<size_t>(k) < beams.size(); ++k) {
        const int ch = beams[static_cast<size_t>(k)];
        if (ch < 0 || ch >= kRawViewChannels) continue;
        out.push_back({k, ch, TraceColour(k, maxBeam)});
    }
    return out;
}

std::string PageSampleLabel(int pageIndex) {
    return FormatReal(static_cast<double>(pageIndex) * kRawSlotsPerPage * kRawShownSamples / 1000.0) + "k";
}

PlotPlan RawPagePlan(const RawPage& page, std::span<const RawTrace> traces) {
    PlotPlan plan;
    SetRawScale(plan);
    const int p = page.Page();
    AddLine(plan, 0, kRawPlotTop, 0, 0, kPlotBlack);
    AddText(plan, -1000, kRawPlotTop, "100%");
    AddText(plan, -1000, 100, "  0%");
    AddText(plan, 0, -30, PageSampleLabel(p - 1));
    AddText(plan, 13200, -25, "[sample]");
    AddText(plan, 25850, -30, PageSampleLabel(p));
    AddLine(plan, 0, 0, kRawPlotRight - 100, 0, kPlotBlack);
    plan.items.reserve(plan.items.size() + static_cast<size_t>(kRawSlotsPerPage) * (traces.size() + 1));
    for (int w = 0; w < kRawSlotsPerPage; ++w) {
        if (page.Filled(w)) {
            for (const RawTrace& t : traces) {
                PlotPrimitive line;
                line.kind = PlotPrimitive::Kind::Polyline;
                line.bgr = ToBgr(t.colour);
                line.points.resize(kRawSlotSamples);
                for (int i = 0; i < kRawSlotSamples; ++i)
                    line.points[static_cast<size_t>(i)] = {static_cast<float>(w * kRawShownSamples + i),
                                                           static_cast<float>(page.Level(t.channel, w, i))};
                plan.items.push_back(std::move(line));
            }
        }
        AddLine(plan, w * kRawShownSamples, kRawPlotTop, w * kRawShownSamples, 0, kBoundaryGrey);
    }
    return plan;
}

AnalyzeThreshold ReadAnalyzeThreshold(std::string_view text) {
    std::string t(text);
    std::replace(t.begin(), t.end(), ',', '.');
    const double v = Val(t);
    if (v > 6.0 || v < 1.1) return {1.8, true};
    return {v, false};
}

RawAnalysis AnalyzeRawPage(const RawPage& page, std::span<const RawTrace> traces, double threshold, int16_t method,
                           const std::string& countsPath) {
    RawAnalysis a;
    a.traces = traces.size();
    a.lines.resize(static_cast<size_t>(kRawSlotsPerPage) * traces.size());
    const int fd = ::open(countsPath.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t countsSize = 0;
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) countsSize = static_cast<uint64_t>(st.st_size);
    }
    std::array<int16_t, kWindowSamples> copy{};
    for (int k = 0; k < kRawFilesPerPage; ++k) {
        RawFileSums& f = a.files[static_cast<size_t>(k)];
        f.counts.assign(traces.size(), 0);
        const int last = k * kWindowsPerNumberedFile + kWindowsPerNumberedFile - 1;
        for (int w = k * kWindowsPerNumberedFile; w <= last; ++w) {
            if (!page.Filled(w)) continue;
            f.present = true;
            for (size_t t = 0; t < traces.size(); ++t) {
                for (int i = 0; i < kWindowSamples; ++i)
                    copy[static_cast<size_t>(i)] = page.Level(traces[t].channel, w, i);
                std::fill_n(g_sample_event_mark.begin(), kWindowSamples, int16_t{0});
                try {
                    f.counts[t] += CountEvents(SampleWindow(copy, 1), 0, threshold, method, 0, "", 0);
                } catch (const DetectionError&) {
                    continue;  // the window counts 0 and has no detection line
                }
                auto& line = a.lines[static_cast<size_t>(w) * traces.size() + t];
                line.assign(g_processed_sample.begin(), g_processed_sample.begin() + kWindowSamples);
            }
        }
        if (f.present) f.minute = RecordMinute(fd, countsSize, SlotRecord(page.Page(), last));
    }
    if (fd >= 0) ::close(fd);
    return a;
}

PlotPlan RawAnalysisPlan(const RawAnalysis& analysis, std::span<const RawTrace> traces) {
    PlotPlan plan;
    SetRawScale(plan);
    plan.overlay = true;
    const size_t n = std::min(analysis.traces, traces.size());
    for (int w = 0; w < kRawSlotsPerPage; ++w) {
        const int k = w / kWindowsPerNumberedFile;
        const RawFileSums& f = analysis.files[static_cast<size_t>(k)];
        const double x = kRawShownSamples * w - kRawShownSamples;
        if (w % kWindowsPerNumberedFile == kWindowsPerNumberedFile - 1 && f.present) {
            for (size_t t = 0; t < n; ++t)
                AddText(plan, x, 100.0 * traces[t].beam + 100, std::to_string(f.counts[t]));
            if (f.minute) AddText(plan, x, kRawPlotTop, std::to_string(*f.minute));
        }
        for (size_t t = 0; t < n; ++t) {
            const auto& line = analysis.lines[static_cast<size_t>(w) * analysis.traces + t];
            if (line.empty()) continue;
            PlotPrimitive p;
            p.kind = PlotPrimitive::Kind::Polyline;
            p.bgr = kLineGrey;
            p.points.resize(line.size());
            for (size_t i = 0; i < line.size(); ++i)
                p.points[i] = {static_cast<float>(w * kRawShownSamples + static_cast<int>(i)),
                               static_cast<float>(line[i])};
            plan.items.push_back(std::move(p));
        }
        AddLine(plan, w * kRawShownSamples, kRawPlotTop, w * kRawShownSamples, 0, kBoundaryGrey);
    }
    AddText(plan, 100, kRawPlotTop, "Time(min)");
    for (size_t t = 0; t < traces.size(); ++t) {
        PlotPrimitive band;
        band.kind = PlotPrimitive::Kind::FilledBox;
        const double y = 100.0 * traces[t].beam;
        band.x1 = 100, band.y1 = y + 20, band.x2 = 599, band.y2 = y + 40, band.bgr = ToBgr(traces[t].colour);
        plan.items.push_back(std::move(band));
    }
    return plan;
}

std::string RawExportText(const std::string& setupName, const std::string& acquisitionPath,
                          const std::string& wellLabel, const std::string& pageText, const RawPage& page,
                          std::span<const RawTrace> traces) {
    const int p = page.Page();
    std::string out;
    const int last = page.LastFilledSlot();
    out.reserve(256 + static_cast<size_t>(last + 1) * kRawShownSamples * (traces.size() * 6 + 2));
    out += "\"" + setupName + "\"\r\n";
    out += "\"" + acquisitionPath + "\"\r\n";
    out += "\r\n";
    out += "Well: " + wellLabel + " Page[" + pageText + "] [#" + PageSampleLabel(p - 1) + "-" + PageSampleLabel(p) +
           "]\r\n";
    out += "\r\n";
    for (const RawTrace& t : traces) out += wellLabel + "." + std::to_string(t.beam) + " ";
    out += "\r\n";
    char buf[16];
    for (int w = 0; w <= last; ++w)
        for (int i = 0; i < kRawShownSamples; ++i) {
            for (const RawTrace& t : traces) {
                const int len = std::snprintf(buf, sizeof buf, "%d ", page.Level(t.channel, w, i));
                out.append(buf, static_cast<size_t>(len));
            }
            out += "\r\n";
        }
    return out;
}

int SelectorGroup(std::string_view item) {
    const auto g = static_cast<int>(RoundHalfEven(Val(item.substr(0, 3))));
    return g == 999 ? -1 : g;
}

}  // namespace vondrel::browser
