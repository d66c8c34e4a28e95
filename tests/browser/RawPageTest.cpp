// The channel-signal view's raw pages: which file and block fill each slot,
// page counts, loads over missing, short and long files, the pick of a well
// and beam, trace colours, the page's plot, "Analyze" and datafile.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/RawPage.h"
#include "browser/RawView.h"
#include "detection/DetectionResults.h"
#include "detection/EventCounter.h"
#include "platform/Files.h"

namespace vondrel::browser {
namespace {

using testing::TempFolder;

// A level that differs by window, channel and sample (negative ones too).
int16_t Level(int window, int channel, int sample) {
    return static_cast<int16_t>((window * 97 + channel * 13 + sample * 5) % 4000 - 500);
}

std::string Block(int window, int windowLength) {
    std::vector<int16_t> v(static_cast<size_t>(windowLength + 1) * 385);
    for (int s = 0; s <= windowLength; ++s)
        for (int c = 0; c < 385; ++c) v[static_cast<size_t>(s) * 385 + static_cast<size_t>(c)] = Level(window, c, s);
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2);
}

// Raw file `n` holding `blocks` blocks of windows 11 n, 11 n + 1, ...
void WriteRawFile(const TempFolder& t, int n, int blocks, int windowLength = 500, std::string tail = "") {
    std::string bytes;
    for (int b = 0; b < blocks; ++b) bytes += Block(kWindowsPerNumberedFile * n + b, windowLength);
    t.Write(RawFileName(n), bytes + tail);
}

// Whether slot `slot` holds window `window` (samples 0..499, 500 repeating 499).
bool SlotHolds(const RawPage& page, int slot, int window) {
    for (int c : {0, 10, 383})
        for (int s : {0, 1, 250, 499})
            if (page.Level(c, slot, s) != Level(window, c, s)) return false;
    return page.Level(7, slot, 500) == Level(window, 7, 499);
}

bool SlotZero(const RawPage& page, int slot) {
    for (int16_t v : page.Slot(slot))
        if (v != 0) return false;
    return true;
}

TEST(RawPageLayout, SlotsFilesBlocksAndRecords) {
    struct Case {
        int page, slot, file, block;
        int64_t record;
    };
    for (const Case& c : std::vector<Case>{{1, 0, 0, 0, 0},
                                           {1, 10, 0, 10, 10},
                                           {1, 11, 1, 0, 11},
                                           {1, 54, 4, 10, 54},
                                           {2, 0, 5, 0, 55},
                                           {2, 21, 6, 10, 76},
                                           {2, 54, 9, 10, 109},
                                           {3, 22, 12, 0, 132}}) {
        SCOPED_TRACE(std::to_string(c.page) + "/" + std::to_string(c.slot));
        EXPECT_EQ(SlotSource(c.page, c.slot).file, c.file);
        EXPECT_EQ(SlotSource(c.page, c.slot).block, c.block);
        EXPECT_EQ(SlotRecord(c.page, c.slot), c.record);
        // Window 11 f + b of the run is the record the slot shows.
        EXPECT_EQ(c.record, kWindowsPerNumberedFile * c.file + c.block);
        EXPECT_EQ(RecordSlot(c.page, c.record), c.slot);
    }
    EXPECT_EQ(RecordSlot(2, 54), -1);
    EXPECT_EQ(RecordSlot(2, 110), -1);
}

TEST(RawPageLayout, PageCountsAndRawFileNames) {
    for (auto [files, pages] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {5, 1}, {6, 2}, {7, 2}, {10, 2}, {11, 3}})
        EXPECT_EQ(RawPageCount(files), pages) << files;
    for (auto [name, raw] : std::vector<std::pair<std::string, bool>>{{"0.bin", true},
                                                                      {"17.bin", true},
                                                                      {"counts.bin", false},
                                                                      {"histo0000.bin", false},
                                                                      {".bin", false},
                                                                      {"1a.bin", false},
                                                                      {"1.bin.bak", false},
                                                                      {"1.BIN", false},
                                                                      {"-1.bin", false}})
        EXPECT_EQ(IsRawFileName(name), raw) << name;

    TempFolder t;
    t.Write("0.bin", "x");
    t.Write("1.bin", "x");
    t.Write("counts.bin", "x");
    t.Write("histo0000.bin", "x");
    t.Write("notes.txt", "x");
    platform::MakeFolder(t / "2.bin");  // a folder is no raw file
    EXPECT_EQ(CountRawFiles(t.Path()), 2);
    EXPECT_EQ(CountRawFiles(t / "missing"), 0);
}

TEST(RawPageLoad, ElevenBlocksAFileFillFiftyFiveSlots) {
    TempFolder t;
    for (int n = 0; n < 5; ++n) WriteRawFile(t, n, 11);
    RawPage page;
    std::vector<double> progress;
    EXPECT_EQ(page.Load(t.Path(), 1, 500, [&](double p) { progress.push_back(p); }), 55);
    EXPECT_EQ(progress, (std::vector<double>{0, 25, 50, 75, 100}));
    for (int s = 0; s < kRawSlotsPerPage; ++s) EXPECT_TRUE(SlotHolds(page, s, s)) << s;
    EXPECT_EQ(page.LastFilledSlot(), 54);
}

TEST(RawPageLoad, PageTwoOfSevenFilesClearsWhatItDoesNotFill) {
    TempFolder t;
    for (int n = 0; n < 7; ++n) WriteRawFile(t, n, 11);
    ASSERT_EQ(RawPageCount(CountRawFiles(t.Path())), 2);
    RawPage page;
    ASSERT_EQ(page.Load(t.Path(), 1, 500), 55);
    EXPECT_EQ(page.Load(t.Path(), 2, 500), 22);
    EXPECT_EQ(page.Page(), 2);
    for (int s = 0; s < 22; ++s) EXPECT_TRUE(SlotHolds(page, s, 55 + s)) << s;
    for (int s = 22; s < kRawSlotsPerPage; ++s) {
        EXPECT_FALSE(page.Filled(s)) << s;
        EXPECT_TRUE(SlotZero(page, s)) << s;
    }
    EXPECT_EQ(page.LastFilledSlot(), 21);
}

TEST(RawPageLoad, MissingShortLongAndCutFiles) {
    TempFolder t;
    WriteRawFile(t, 0, 12);                             // a twelfth block is never shown
    WriteRawFile(t, 1, 4, 500, std::string(1000, 'z'));  // a trailing part of a block is not read
    // file 2 missing
    WriteRawFile(t, 3, 11);
    RawPage page;
    EXPECT_EQ(page.Load(t.Path(), 1, 500), 11 + 4 + 11);
    for (int s = 0; s < 11; ++s) EXPECT_TRUE(SlotHolds(page, s, s)) << s;
    for (int s = 11; s < 15; ++s) EXPECT_TRUE(SlotHolds(page, s, s)) << s;
    for (int s = 15; s < 33; ++s) EXPECT_TRUE(!page.Filled(s) && SlotZero(page, s)) << s;
    for (int s = 33; s < 44; ++s) EXPECT_TRUE(SlotHolds(page, s, s)) << s;
    EXPECT_EQ(page.LastFilledSlot(), 43);
}

TEST(RawPageLoad, LongerWindowsShowTheirFirstFiveHundredSamples) {
    for (int length : {501, 502}) {
        TempFolder t;
        WriteRawFile(t, 0, 3, length);
        RawPage page;
        EXPECT_EQ(page.Load(t.Path(), 1, length), 3) << length;
        for (int s = 0; s < 3; ++s) EXPECT_TRUE(SlotHolds(page, s, s)) << length << " " << s;
    }
    for (auto [length, ok] : std::vector<std::pair<int, bool>>{{499, false}, {500, true}, {502, true}, {503, false}, {800, false}})
        EXPECT_EQ(RawWindowLengthSupported(length), ok) << length;
}

TEST(RawPick, WellAndBeamToChannel) {
    // Two rows, two columns; well 0 (A1) beams 10, 11; well 1 (B1) beam 12; well 2 (A2) beam -1, 14.
    const std::vector<std::vector<int16_t>> wbc{{10, 11}, {12, -1}, {-1, 14}, {15, 16}};
    struct Case {
        int row, col, beam;
        std::optional<int> channel;
    };
    for (const Case& c : std::vector<Case>{{0, 1, 0, 10},
                                           {0, 1, 1, 11},
                                           {1, 1, 0, 12},
                                           {1, 1, 1, std::nullopt},
                                           {0, 2, 0, std::nullopt},
                                           {0, 2, 1, 14},
                                           {1, 2, 1, 16},
                                           {2, 1, 0, std::nullopt},
                                           {0, 3, 0, std::nullopt},
                                           {0, 0, 0, std::nullopt},
                                           {0, 1, 2, std::nullopt},
                                           {0, 1, -1, std::nullopt}})
        EXPECT_EQ(PickedChannel(c.row, c.col, c.beam, 2, 2, wbc), c.channel) << c.row << c.col << c.beam;

    struct Label {
        std::string text;
        std::optional<std::tuple<int, int, int>> rcb;
    };
    for (const Label& l : std::vector<Label>{{"A1", std::tuple{0, 1, 0}},
                                             {"D12", std::tuple{3, 12, 0}},
                                             {"A1.7", std::tuple{0, 1, 7}},
                                             {"P24.3", std::tuple{15, 24, 3}},
                                             {"A", std::nullopt},
                                             {"A0", std::nullopt},
                                             {"a1", std::nullopt},
                                             {"A1.", std::nullopt},
                                             {"A1.x", std::nullopt},
                                             {"003_Control", std::nullopt},
                                             {"", std::nullopt}}) {
        auto p = ParseChannelLabel(l.text);
        ASSERT_EQ(p.has_value(), l.rcb.has_value()) << l.text;
        if (p) {
            EXPECT_EQ(std::tuple(p->row, p->column, p->beam), *l.rcb) << l.text;
        }
    }
    EXPECT_EQ(WellLabel(0, 8), "A1");
    EXPECT_EQ(WellLabel(95, 8), "H12");
    EXPECT_EQ(WellLabel(9, 8), "B2");
}

TEST(RawTraces, ColoursAndBeamsOfTheWell) {
    struct Case {
        int beam, maxBeam;
        Rgb colour;
    };
    for (const Case& c : std::vector<Case>{{0, 0, {255, 0, 0}},
                                           {1, 1, {0, 0, 255}},
                                           {2, 4, {0, 255, 0}},
                                           {3, 4, {200, 128, 0}},
                                           {4, 4, {0, 0, 0}},
                                           {0, 6, {0, 255, 0}},
                                           {1, 6, {42, 213, 0}},   // 42.5 rounds to 42
                                           {3, 6, {128, 127, 0}},  // 127.5 rounds to 128
                                           {6, 6, {255, 0, 0}}})
        EXPECT_EQ(TraceColour(c.beam, c.maxBeam), c.colour) << c.beam << "/" << c.maxBeam;

    std::vector<int16_t> channelWell(385, -1);
    channelWell[10] = 0, channelWell[20] = 0, channelWell[30] = 1;
    const std::vector<std::vector<int16_t>> wbc{{10, -1, 20}, {30, -1, -1}};
    auto traces = WellTraces(20, channelWell, wbc, 2);
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].beam, 0);
    EXPECT_EQ(traces[0].channel, 10);
    EXPECT_EQ(traces[1].beam, 2);
    EXPECT_EQ(traces[1].channel, 20);
    EXPECT_EQ(traces[1].colour, (Rgb{0, 255, 0}));
    EXPECT_TRUE(WellTraces(5, channelWell, wbc, 2).empty());
    EXPECT_TRUE(WellTraces(400, channelWell, wbc, 2).empty());
}

std::vector<const PlotPrimitive*> OfKind(const PlotPlan& plan, PlotPrimitive::Kind kind) {
    std::vector<const PlotPrimitive*> out;
    for (const auto& p : plan.items)
        if (p.kind == kind) out.push_back(&p);
    return out;
}

bool HasText(const PlotPlan& plan, const std::string& text, double x, double y) {
    for (const auto* p : OfKind(plan, PlotPrimitive::Kind::Text))
        if (p->text == text && p->x1 == x && p->y1 == y) return true;
    return false;
}

TEST(RawPagePlot, FiftyFiveWindowsOnTheSampleAxis) {
    for (auto [index, label] : std::vector<std::pair<int, std::string>>{{0, "0k"}, {1, "27.5k"}, {2, "55k"}, {3, "82.5k"}})
        EXPECT_EQ(PageSampleLabel(index), label);

    TempFolder t;
    for (int n = 5; n < 7; ++n) WriteRawFile(t, n, 11);
    RawPage page;
    page.Load(t.Path(), 2, 500);
    const std::vector<RawTrace> traces{{0, 10, {255, 0, 0}}, {1, 20, {0, 0, 255}}};
    const PlotPlan plan = RawPagePlan(page, traces);
    EXPECT_FALSE(plan.empty);
    EXPECT_EQ(plan.right, 27500);
    EXPECT_TRUE(HasText(plan, "27.5k", 0, -30));
    EXPECT_TRUE(HasText(plan, "55k", 25850, -30));
    const auto polylines = OfKind(plan, PlotPrimitive::Kind::Polyline);
    ASSERT_EQ(polylines.size(), 22u * 2);  // filled slots only
    // Slot 21, beam 1: window 76 of the run from x = 10,500 to 11,000.
    const PlotPrimitive& last = *polylines.back();
    EXPECT_EQ(last.bgr, 0xFF0000u);
    ASSERT_EQ(last.points.size(), 501u);
    EXPECT_EQ(last.points.front().x, 10500);
    EXPECT_EQ(last.points.back().x, 11000);
    EXPECT_EQ(last.points[123].y, Level(76, 20, 123));
    EXPECT_EQ(last.points[500].y, Level(76, 20, 499));
    // A boundary at every window's start, filled or not.
    int boundaries = 0;
    for (const auto* l : OfKind(plan, PlotPrimitive::Kind::Line))
        if (l->bgr == 0xC8C8C8 && l->x1 == l->x2) ++boundaries;
    EXPECT_EQ(boundaries, kRawSlotsPerPage);
}

TEST(RawAnalyze, ThresholdTyped) {
    struct Case {
        std::string text;
        double value;
        bool replaced;
    };
    for (const Case& c : std::vector<Case>{{"1.1", 1.1, false},
                                           {"6.0", 6.0, false},
                                           {"2,5", 2.5, false},
                                           {"3", 3.0, false},
                                           {"6.01", 1.8, true},
                                           {"1.09", 1.8, true},
                                           {"", 1.8, true},
                                           {"abc", 1.8, true}}) {
        auto r = ReadAnalyzeThreshold(c.text);
        EXPECT_EQ(r.value, c.value) << c.text;
        EXPECT_EQ(r.replaced, c.replaced) << c.text;
    }
}

// Window w of the run: channel 10 at 1200 with (w % 4) two-sample dips to 0;
// channel 11 at 1200 with one spike far above its band; the rest flat.
std::string DipBlock(int w) {
    std::vector<int16_t> v(501 * 385, 1200);
    for (int d = 0; d < w % 4; ++d)
        for (int s : {100 + 100 * d, 101 + 100 * d}) v[static_cast<size_t>(s) * 385 + 10] = 0;
    v[static_cast<size_t>(450) * 385 + 11] = 4000;
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2);
}

TEST(RawAnalyze, CountsSummedPerFileWithTheMinuteOfItsLastSlot) {
    TempFolder t;
    // Page 2: files 5 (11 blocks) and 6 (3 blocks); counts.bin holds records 0..66.
    for (int n : {5, 6}) {
        std::string bytes;
        for (int b = 0; b < (n == 5 ? 11 : 3); ++b) bytes += DipBlock(11 * n + b);
        t.Write(RawFileName(n), bytes);
    }
    std::string counts;
    for (int r = 0; r <= 66; ++r) {
        auto rec = BuildCountsRecord(1000 + r, ChannelTable16{});
        counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    t.Write("counts.bin", counts);
    RawPage page;
    ASSERT_EQ(page.Load(t.Path(), 2, 500), 14);
    const std::vector<RawTrace> traces{{0, 10, {255, 0, 0}}, {1, 11, {0, 0, 255}}};
    // Channel 11's events as the detector counts them on its own.
    auto spikeEvents = [] {
        std::vector<int16_t> v(500, 1200);
        v[450] = 4000;
        return CountEvents(SampleWindow(v, 1), 0, 2.0, 1, 0, "", 0);
    };
    const int64_t spike = spikeEvents();
    g_sample_event_mark.fill(-1);
    const RawAnalysis a = AnalyzeRawPage(page, traces, 2.0, 1, t / "counts.bin");
    // File 5: windows 55..65, dips (w % 4) each; file 6: windows 66..68.
    int64_t file5 = 0, file6 = 0;
    for (int w = 55; w <= 65; ++w) file5 += w % 4;
    for (int w = 66; w <= 68; ++w) file6 += w % 4;
    ASSERT_TRUE(a.files[0].present && a.files[1].present);
    EXPECT_EQ(a.files[0].counts, (std::vector<int64_t>{file5, 11 * spike}));
    EXPECT_EQ(a.files[1].counts, (std::vector<int64_t>{file6, 3 * spike}));
    EXPECT_EQ(a.files[0].minute, 1065);           // record 65, slot 10
    EXPECT_EQ(a.files[1].minute, std::nullopt);   // record 76 is not in counts.bin
    EXPECT_FALSE(a.files[2].present);
    // The marks hold only the last call's events (window 68, beam 1).
    int marks = 0;
    for (int i = 0; i < 500; ++i) marks += g_sample_event_mark[static_cast<size_t>(i)] == -1;
    EXPECT_EQ(marks, spike);
    // The detector worked on copies: the spike is still in the page.
    EXPECT_EQ(page.Level(11, 0, 450), 4000);
    EXPECT_EQ(a.lines[0].size(), 500u);
    EXPECT_TRUE(a.lines[14 * 2].empty());  // slot 14 holds nothing

    const PlotPlan overlay = RawAnalysisPlan(a, traces);
    EXPECT_TRUE(overlay.overlay);
    EXPECT_TRUE(HasText(overlay, std::to_string(file5), 4500, 100));  // after slot 10, beam 0
    EXPECT_TRUE(HasText(overlay, std::to_string(11 * spike), 4500, 200));  // beam 1
    EXPECT_TRUE(HasText(overlay, "1065", 4500, 2150));
    EXPECT_TRUE(HasText(overlay, std::to_string(file6), 10000, 100));  // after slot 21, no minute
    for (const auto* p : OfKind(overlay, PlotPrimitive::Kind::Text)) EXPECT_FALSE(p->y1 == 2150 && p->x1 == 10000);
    EXPECT_TRUE(HasText(overlay, "Time(min)", 100, 2150));
    EXPECT_EQ(OfKind(overlay, PlotPrimitive::Kind::Polyline).size(), 14u * 2);

    // A threshold the detector refuses counts every window as 0 and draws no line.
    const RawAnalysis refused = AnalyzeRawPage(page, traces, std::numeric_limits<double>::quiet_NaN(), 1, t / "counts.bin");
    EXPECT_EQ(refused.files[0].counts, (std::vector<int64_t>{0, 0}));
    EXPECT_TRUE(OfKind(RawAnalysisPlan(refused, traces), PlotPrimitive::Kind::Polyline).empty());
}

TEST(RawExport, DatafileTextStopsAtThePagesLastWindow) {
    TempFolder t;
    WriteRawFile(t, 5, 11);
    WriteRawFile(t, 6, 2);
    RawPage page;
    page.Load(t.Path(), 2, 500);
    const std::vector<RawTrace> traces{{0, 10, {255, 0, 0}}, {1, 20, {0, 0, 255}}};
    const std::string text = RawExportText("Larvae", "/data/p00001/20261209_1405_s1", "A1", "2/2", page, traces);
    const auto lines = platform::SplitLines(text);
    ASSERT_EQ(lines.size(), 6u + 13 * 500);
    EXPECT_EQ(lines[0], "\"Larvae\"");
    EXPECT_EQ(lines[1], "\"/data/p00001/20261209_1405_s1\"");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Well: A1 Page[2/2] [#27.5k-55k]");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "A1.0 A1.1 ");
    // Sample 0 of slot 0 (window 55) and sample 499 of slot 12 (window 67).
    EXPECT_EQ(lines[6], std::to_string(Level(55, 10, 0)) + " " + std::to_string(Level(55, 20, 0)) + " ");
    EXPECT_EQ(lines.back(), std::to_string(Level(67, 10, 499)) + " " + std::to_string(Level(67, 20, 499)) + " ");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace vondrel::browser
