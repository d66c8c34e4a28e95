#include "browser/Tracking.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "acquisition/RunDataFiles.h"
#include "browser/Binning.h"
#include "browser/BrowserExports.h"
#include "browser/PlotShapes.h"
#include "detection/DetectionResults.h"
#include "detection/EventCounter.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "store/CalReport.h"

namespace vondrel::browser {

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF, kGreen = 0x00FF00, kWhite = 0xFFFFFF;
constexpr uint32_t kGrey = 0x969696, kLightRed = 0xC8C8FF;
constexpr uint32_t kGroupColours[4] = {kGreen, kBlue, kRed, kPlotBlack};
constexpr int kMarkSlots = kTrackSamples + 1;  // marks 0..500 of a channel
constexpr int kTrackChannels = 384;

int Whole(double x) { return static_cast<int>(RoundHalfEven(x)); }

using shapes::Circle;
using shapes::Prim;
using shapes::Text;

// The picture point of a grid position (column, row) in cells.
double PX(double column) { return 100 * column + 50; }

}  // namespace

TrackThreshold ReadTrackThreshold(const std::string& text) {
    std::string s = text;
    std::replace(s.begin(), s.end(), ',', '.');
    TrackThreshold t;
    t.value = Val(s);
    if (!(t.value >= 1.1 && t.value <= 6.0)) {
        t.value = 1.8;
        t.reset = true;
    }
    return t;
}

int64_t TravelMillimetres(double cells) { return static_cast<int64_t>(std::floor(cells * kCellMillimetres + 0.5)); }

bool TrackWalk::Load(const AcquisitionConfig& config, const std::string& folder, int windowLength) {
    config_ = &config;
    folder_ = folder;
    windowLength_ = windowLength;
    readBlock_ = -1;
    blockStored_ = false;
    std::vector<double> minutes;
    if (!ForEachCountsRecord(platform::JoinPath(folder, "counts.bin"),
                             [&](int32_t m, const int16_t*) { minutes.push_back(m); }, HolePlaces::kKeep)) {
        loaded_ = false;
        return false;
    }
    minutes_ = std::move(minutes);
    records_ = static_cast<int>(minutes_.size());
    wells_ = std::max(config.maxWell + 1, 0);
    travel_.assign(static_cast<size_t>(records_ + 2) * static_cast<size_t>(wells_), 0.0);
    total_.assign(static_cast<size_t>(wells_), 0.0);
    blockStart_.assign(static_cast<size_t>(wells_), 0.0);
    marks_.assign(static_cast<size_t>(kTrackChannels) * kMarkSlots, 0);
    active_.fill(0);
    Rewind();
    AnalyseBlockMarks(0);
    loaded_ = true;
    return true;
}

void TrackWalk::Rewind() {
    block_ = 0;
    sample_ = 0;
    xs_.assign(static_cast<size_t>(wells_), {-1, -1, -1, -1, -1});
    ys_.assign(static_cast<size_t>(wells_), {-1, -1, -1, -1, -1});
}

bool TrackWalk::ReadBlock(int block) {
    if (block == readBlock_) return blockStored_;
    readBlock_ = block;
    blockStored_ = false;
    if (block < 0 || windowLength_ + 1 < kTrackSamples) return false;
    const size_t bytes = RawBlockBytes(windowLength_);
    const std::string path = platform::JoinPath(folder_, RawFileName(block / kWindowsPerNumberedFile));
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return false;
    const long offset = static_cast<long>(bytes * static_cast<size_t>(block % kWindowsPerNumberedFile));
    if (std::fseek(f.get(), offset, SEEK_SET) != 0) return false;
    blockLevels_.resize(bytes / sizeof(int16_t));
    if (std::fread(blockLevels_.data(), 1, bytes, f.get()) != bytes) return false;
    blockStored_ = true;
    return true;
}

void TrackWalk::AnalyseTrackBlock(int channel, int block) {
    std::fill(g_sample_event_mark.begin(), g_sample_event_mark.begin() + kTrackSamples, int16_t{0});
    if (channel < 0 || channel >= kTrackChannels || !ReadBlock(block)) return;
    // A copy of samples 0..499 of the channel: the detection lowers levels of
    // the window it is given, and the stored block stays as read.
    std::array<int16_t, kMarkSlots> levels{};
    for (int s = 0; s < kTrackSamples; ++s)
        levels[static_cast<size_t>(s)] = blockLevels_[static_cast<size_t>(s) * kChannelSlots + static_cast<size_t>(channel)];
    try {
        CountEvents(SampleWindow(levels, 1), 0, threshold, kMethodThresholdAverage, 0, "", 0);
    } catch (const DetectionError&) {
        std::fill(g_sample_event_mark.begin(), g_sample_event_mark.begin() + kTrackSamples, int16_t{0});
    }
}

int TrackWalk::Wells() const {
    return config_ ? std::min(wells_, static_cast<int>(config_->wellBeamChannel.size())) : 0;
}

void TrackWalk::AnalyseBlockMarks(int block) {
    for (int w = 0; w < Wells(); ++w) {
        for (int16_t c : config_->wellBeamChannel[static_cast<size_t>(w)]) {
            if (c < 0 || c >= kTrackChannels) continue;
            AnalyseTrackBlock(c, block);
            std::copy_n(g_sample_event_mark.begin(), kMarkSlots, marks_.begin() + static_cast<ptrdiff_t>(c) * kMarkSlots);
        }
    }
}

double TrackWalk::Travel(int block, int well) const {
    if (block < 0 || block > records_ + 1 || well < 0 || well >= wells_) return 0;
    return travel_[static_cast<size_t>(block) * static_cast<size_t>(wells_) + static_cast<size_t>(well)];
}

std::string TrackWalk::StepText() const {
    return std::to_string(int64_t{kTrackSamples} * block_ + sample_) + "/" + std::to_string(LastStep());
}

void TrackWalk::LocateAnimals(std::vector<PlotPrimitive>* drawn) {
    if (!loaded_) return;
    if (block_ == 0 && sample_ == 0) std::fill(blockStart_.begin(), blockStart_.end(), 0.0);
    if (sample_ >= kTrackSamples - 1) {
        const int b = block_;
        if (b > records_ + 1) return;  // past the travel table: the walk stays here
        for (int w = 0; w < wells_; ++w) {
            travel_[static_cast<size_t>(b) * static_cast<size_t>(wells_) + static_cast<size_t>(w)] =
                total_[static_cast<size_t>(w)] - blockStart_[static_cast<size_t>(w)];
        }
        blockStart_ = total_;
        sample_ = 0;
        block_ = b + 1;
        AnalyseBlockMarks(block_);
    } else {
        ++sample_;
    }
    for (int w = 0; w < Wells(); ++w) {
        double sumX = 0, sumY = 0;
        int n = 0;
        for (int16_t c : config_->wellBeamChannel[static_cast<size_t>(w)]) {
            if (c < 0 || c >= kTrackChannels) continue;
            active_[static_cast<size_t>(c)] = marks_[static_cast<size_t>(c) * kMarkSlots + static_cast<size_t>(sample_)];
            if (active_[static_cast<size_t>(c)] != -1) continue;
            sumX += c / 16;
            sumY += c % 16;
            ++n;
        }
        if (n == 0) continue;
        const double x = sumX / n, y = sumY / n;
        auto& hx = xs_[static_cast<size_t>(w)];
        auto& hy = ys_[static_cast<size_t>(w)];
        for (int s = 0; s < 5; ++s) {
            if (hx[static_cast<size_t>(s)] == -1) hx[static_cast<size_t>(s)] = x;
            if (hy[static_cast<size_t>(s)] == -1) hy[static_cast<size_t>(s)] = y;
        }
        if (drawn) DrawStep(w, x, y, *drawn);
        for (int s = 4; s >= 1; --s) {
            hx[static_cast<size_t>(s)] = hx[static_cast<size_t>(s - 1)];
            hy[static_cast<size_t>(s)] = hy[static_cast<size_t>(s - 1)];
        }
        hx[0] = x;
        hy[0] = y;
        total_[static_cast<size_t>(w)] += std::hypot(hx[0] - hx[1], hy[0] - hy[1]);
        if (drawn) DrawLabel(w, *drawn);
    }
}

void TrackWalk::DrawStep(int well, double x, double y, std::vector<PlotPrimitive>& out) const {
    using K = PlotPrimitive::Kind;
    const auto& beams = config_->wellBeamChannel[static_cast<size_t>(well)];
    for (int16_t c : beams)
        if (c >= 0 && c < kTrackChannels) out.push_back(Circle(PX(c / 16), PX(c % 16), 2, kBlue));
    const auto& hx = xs_[static_cast<size_t>(well)];
    const auto& hy = ys_[static_cast<size_t>(well)];
    for (int16_t c : beams) {
        if (c < 0 || c >= kTrackChannels || active_[static_cast<size_t>(c)] != -1) continue;
        out.push_back(Circle(PX(hx[0]), PX(hy[0]), 16, kWhite));
        out.push_back(Circle(PX(c / 16), PX(c % 16), 2, kPlotBlack));
        out.push_back(Circle(PX(x), PX(y), 16, kRed));
        out.push_back(Prim(K::Line, PX(hx[0]), PX(hy[0]), PX(x), PX(y), kRed));
        out.push_back(Prim(K::Line, PX(hx[1]), PX(hy[1]), PX(hx[0]), PX(hy[0]), kRed));
        out.push_back(Prim(K::Line, PX(hx[2]), PX(hy[2]), PX(hx[1]), PX(hy[1]), kRed));
        out.push_back(Prim(K::Line, PX(hx[3]), PX(hy[3]), PX(hx[2]), PX(hy[2]), kLightRed));
        out.push_back(Prim(K::Line, PX(hx[4]), PX(hy[4]), PX(hx[3]), PX(hy[3]), kLightRed));
    }
}

void TrackWalk::DrawLabel(int well, std::vector<PlotPrimitive>& out) const {
    // The label sits at the foot of the well's cell of the plate.
    const int rows = std::max<int>(config_->plateRows, 1);
    const int X = Whole(100.0 * (well / rows) * config_->colPitch + 100 * config_->colOffset);
    const int Y = Whole(100.0 * (well % rows) * config_->rowPitch + 100 * config_->rowOffset);
    out.push_back(Prim(PlotPrimitive::Kind::FilledBox, X + 5, Y + 700, X + 200, Y + 795, kWhite));
    out.push_back(Text(X + 25, Y + 700, std::to_string(TravelMillimetres(total_[static_cast<size_t>(well)])) + "mm",
                       kPlotBlack));
}

PlotPlan TrackGridPlan(const AcquisitionConfig& config) {
    PlotPlan plan;
    plan.empty = false;
    plan.left = Whole(config.colOffset * 100) - 50;
    plan.top = Whole(config.rowOffset * 100) - 50;
    plan.right = 2400;
    plan.bottom = 1600;
    const int P = Whole(config.colPitch * 100), A = Whole(config.colOffset * 100);
    const int Q = Whole(config.rowPitch * 100), B = Whole(config.rowOffset * 100);
    for (int r = 0; r < config.plateRows; ++r)
        for (int q = 0; q < config.plateCols; ++q)
            plan.items.push_back(
                Prim(PlotPrimitive::Kind::Box, q * P + A, r * Q + B, (q + 1) * P + A, (r + 1) * Q + B, kGrey));
    for (int col = 0; col < 24; ++col)
        for (int row = 0; row < 16; ++row)
            plan.items.push_back(
                Circle(PX(col), PX(row), 2, config.channelWell[static_cast<size_t>(16 * col + row)] < 0 ? kYellow : kBlue));
    const double cp = 100 * config.colPitch, co = 100 * config.colOffset;
    const double rp = 100 * config.rowPitch, ro = 100 * config.rowOffset;
    for (int q = 0; q < config.plateCols; ++q) {
        for (int r = 0; r < config.plateRows; ++r) {
            const int ch = FirstBeamChannel(config, config.plateRows * q + r);
            if (ch < 0) continue;
            const int g = config.channelGroup[static_cast<size_t>(ch)];
            if (g < 0) continue;
            plan.items.push_back(Text(q * cp + co + 25, r * rp + ro + 45, "G" + std::to_string(g), kGroupColours[g % 4]));
        }
    }
    for (int q = 0; q < config.plateCols; ++q)
        plan.items.push_back(Text(q * cp + co + 25, ro - 50, std::to_string(q + 1), kPlotBlack));
    for (int r = 0; r < config.plateRows; ++r)
        plan.items.push_back(Text(co - 50, r * rp + ro, std::string(1, static_cast<char>('A' + r)), kPlotBlack));
    return plan;
}

std::string TravelRowName(const AcquisitionConfig& config, int well) {
    const int ch = FirstBeamChannel(config, well);
    const int g = ch >= 0 ? config.channelGroup[static_cast<size_t>(ch)] : -1;
    const std::string name = g >= 0 && g < kChannelSlots ? config.groupNames[static_cast<size_t>(g)] : "Free";
    return FormatPadded(well, 3) + "_" + name;
}

std::string TravelDistanceReport(const TrackWalk& walk, const AcquisitionConfig& config, int lastBlock,
                                 const std::string& sep, const std::string& decimalSign, const std::string& date,
                                 const std::string& folder) {
    const std::string q = "\"";
    std::string out;
    out += q + "DATE:" + q + sep + q + date + q + "\r\n";
    out += q + "FILE:" + q + sep + q + folder + q + "\r\n";
    out += "\r\n";
    out += q + "<<<<<< Travel Distance: [milimeter/acq_block] >>>>>>" + q + "\r\n";
    out += "Group/Time[m]";
    const auto& minutes = walk.minutes();
    for (int b = 0; b <= lastBlock; ++b) {
        std::string m = FormatFixed(b < static_cast<int>(minutes.size()) ? minutes[static_cast<size_t>(b)] : 0.0, 1);
        if (decimalSign != ".") {
            const size_t dot = m.find('.');
            if (dot != std::string::npos) m.replace(dot, 1, decimalSign);
        }
        out += sep + m;
    }
    out += "\r\n";
    for (int w = 0; w <= config.maxWell; ++w) {
        out += q + TravelRowName(config, w) + q;
        for (int b = 0; b <= lastBlock; ++b) out += sep + std::to_string(TravelMillimetres(walk.Travel(b, w)));
        out += "\r\n";
    }
    out += "\r\n";
    return out;
}

std::optional<std::string> FindTrackReportName(const std::string& folder, const std::string& extension) {
    for (int n = 0; n <= 32767; ++n) {
        const std::string base = n == 0 ? "travel_report" : "travel_report_" + std::to_string(n);
        const std::string path = platform::JoinPath(folder, base + extension);
        const bool existed = platform::FileExists(path) || platform::FolderExists(path);
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fclose(f);
            return base;
        }
        if (!existed) return std::nullopt;  // the folder takes no new file
    }
    return std::nullopt;
}

std::string ExportTravelDistance(const TrackWalk& walk, const AcquisitionConfig& config, const std::string& folder,
                                 int lastBlock) {
    const auto name = FindTrackReportName(folder, ".csv");
    const std::string path = platform::JoinPath(folder, name.value_or("travel_report") + ".csv");
    const auto today = platform::ToLocal(platform::Now());
    const std::string text =
        TravelDistanceReport(walk, config, lastBlock, GetListSeparator(), platform::LocaleDecimalSeparator(),
                             platform::LocaleShortDate(today.year, today.month, today.day), folder);
    if (!name || !platform::WriteTextFile(path, text)) {
        platform::MsgBox("Error writing " + path);
        return "";
    }
    OpenExport(path);
    return path;
}

}  // namespace vondrel::browser
