// The channel-signal view's plans replayed on a drawing surface: polylines
// of many points a pixel, a page of a two-beam well and "Analyze" drawn over it.
#include <QDir>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Frm_offline.h"
#include "browser/RawPage.h"
#include "browser/RawView.h"
#include "mainwindow/Canvas.h"

namespace vondrel::testing {
namespace {

TEST_F(WindowTest, PolylineOfManyPointsAPixelCoversWhatAllItsPointsCover) {
    // 6,000 points over 300 pixels: a noisy level with dips and spikes.
    std::vector<QPointF> points;
    uint32_t seed = 7;
    for (int i = 0; i < 6000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        double y = 1000 + (seed >> 24) % 80;
        if (i % 311 < 2) y = 100;
        if (i % 733 == 5) y = 1900;
        points.emplace_back(i, y);
    }
    Canvas a;
    a.resize(300, 200);
    a.SetBackColor(0xFFFFFF);
    a.Cls();
    a.Scale(0, 2000, 6000, 0);
    a.Polyline(points.data(), points.size(), 0x0000FF);
    // The same line through every point, drawn straight with the toolkit.
    QImage b(a.Image().size(), QImage::Format_RGB32);
    b.fill(Qt::white);
    {
        QPolygonF pixels;
        for (const QPointF& q : points) pixels.append(a.ToPixel(q.x(), q.y()));
        QPainter p(&b);
        QPen pen(Qt::red);
        pen.setWidth(1);
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        p.drawPolyline(pixels);
    }
    // Every drawn pixel of either lies within a pixel of one of the other; a
    // pixel here and there moves to the next column where a steep step
    // crosses a column's edge.
    const int w = b.width(), h = b.height();
    auto inA = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && a.PixelAt(x, y) != 0xFFFFFF; };
    auto inB = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && b.pixel(x, y) != qRgb(255, 255, 255); };
    auto near = [](auto in, int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (in(x + dx, y + dy)) return true;
        return false;
    };
    int differing = 0, drawn = 0, stray = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            drawn += inB(x, y);
            differing += inA(x, y) != inB(x, y);
            stray += (inA(x, y) && !near(inB, x, y)) || (inB(x, y) && !near(inA, x, y));
        }
    ASSERT_GT(drawn, 3000);
    EXPECT_EQ(stray, 0);
    EXPECT_LE(differing, drawn * 3 / 100) << differing << " of " << drawn;
}

// A block whose channel 10 sits at 1500 with two dips to 0 and channel 11 at 900.
std::string TwoBeamBlock() {
    std::vector<int16_t> v(501 * 385, 0);
    for (int s = 0; s <= 500; ++s) {
        v[static_cast<size_t>(s) * 385 + 10] = static_cast<int16_t>(s == 120 || s == 121 || s == 320 || s == 321 ? 0 : 1500);
        v[static_cast<size_t>(s) * 385 + 11] = 900;
    }
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2);
}

TEST_F(WindowTest, PageOfATwoBeamWellAndItsAnalysis) {
    std::string file;
    for (int b = 0; b < 11; ++b) file += TwoBeamBlock();
    home.Write("rec/0.bin", file);
    home.Write("rec/1.bin", TwoBeamBlock() + TwoBeamBlock());
    std::string counts;
    for (int r = 0; r < 13; ++r) {
        auto rec = BuildCountsRecord(r, ChannelTable16{});
        counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    home.Write("rec/counts.bin", counts);
    browser::RawPage page;
    ASSERT_EQ(page.Load(home / "rec", 1, 500), 13);
    const std::vector<browser::RawTrace> traces{{0, 10, browser::TraceColour(0, 1)}, {1, 11, browser::TraceColour(1, 1)}};

    Canvas canvas;
    canvas.resize(1100, 500);
    canvas.SetBackColor(0xFFFFFF);
    ReplayPlan(canvas, browser::RawPagePlan(page, traces));
    auto at = [&](double x, double y) {
        const QPointF p = canvas.ToPixel(x, y);
        return canvas.PixelAt(static_cast<int>(p.x()), static_cast<int>(p.y()));
    };
    auto near = [&](double x, double y, uint32_t colour) {
        const QPointF p = canvas.ToPixel(x, y);
        for (int dy = -1; dy <= 1; ++dy)
            if (canvas.PixelAt(static_cast<int>(p.x()), static_cast<int>(p.y()) + dy) == colour) return true;
        return false;
    };
    EXPECT_TRUE(near(250, 1500, 0x0000FF));    // beam 0 red
    EXPECT_TRUE(near(6250, 900, 0xFF0000));    // beam 1 blue, slot 12
    EXPECT_FALSE(near(7250, 900, 0xFF0000));   // slot 14 holds nothing
    EXPECT_EQ(at(20250, 1000), 0xFFFFFFu);

    const auto analysis = browser::AnalyzeRawPage(page, traces, 1.8, 1, home / "rec/counts.bin");
    EXPECT_GT(analysis.files[0].counts[0], 0);
    ReplayPlan(canvas, browser::RawAnalysisPlan(analysis, traces));
    EXPECT_TRUE(near(6250, 900, 0xFF0000));  // drawn over, not cleared
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    canvas.Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_raw_page_analyzed.png");
#endif
}

}  // namespace
}  // namespace vondrel::testing
