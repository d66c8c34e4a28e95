// Window shaping: the regions' figures, the masks they give widgets, the
// borderless list, and the rounded frame drawn on a canvas.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "WindowFixture.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Shaping.h"

namespace vondrel {
namespace {

TEST(ShapingFigures, Regions) {
    struct Case {
        const char* what;
        RoundRegion got, want;
    };
    const Case cases[] = {
        {"window 6000 x 4500 twips", RoundWindowRegion(6000, 4500, 15, 15), {0, 0, 400, 300, 30, 30}},
        {"window 6007 x 4493 twips", RoundWindowRegion(6007, 4493, 15, 15), {0, 0, 400, 299, 30, 30}},
        {"inset in container units", RoundWindowInsetRegion(120, 40), {5, 5, 116, 36, 20, 20}},
        {"inset in pixels", RoundWindowInsetPixelsRegion(1800, 600, 15, 15), {5, 5, 116, 36, 20, 20}},
        {"no pixel width", RoundWindowInsetPixelsRegion(1800, 600, 0, 15), {5, 5, -4, -4, 20, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.got, c.want);
    }
}

TEST(ShapingFigures, RoundFramePlan) {
    RoundFramePlan plan = PlanRoundFrame(200, 100);
    ASSERT_EQ(plan.lines.size(), 4u);
    ASSERT_EQ(plan.arcs.size(), 4u);
    EXPECT_EQ(plan.lines[1].x1, 199);  // right edge
    EXPECT_EQ(plan.lines[1].x2, 199);
    EXPECT_EQ(plan.lines[2].y1, 99);   // bottom edge
    EXPECT_EQ(plan.arcs[2].cx, 183);   // bottom-right arc
    EXPECT_EQ(plan.arcs[2].cy, 83);
    EXPECT_EQ(plan.arcs[2].start, 4.71);
    EXPECT_EQ(plan.arcs[2].end, 0);
}

class ShapingWidgets : public testing::WindowTest {};

TEST_F(ShapingWidgets, MasksFollowTheRegions) {
    QWidget window;
    window.resize(400, 300);
    RoundWindow(&window);
    EXPECT_EQ(window.mask().boundingRect(), QRect(0, 0, 400, 300));
    // Rounded corners: the corner pixel is outside, the centre inside.
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(window.mask().contains(QPoint(200, 150)));
    EXPECT_TRUE(window.mask().contains(QPoint(200, 0)));

    QPushButton button(&window);
    button.setGeometry(10, 10, 120, 40);
    RoundWindowInsetPixels(&button);
    EXPECT_EQ(button.mask().boundingRect(), QRect(5, 5, 111, 31));
    EXPECT_FALSE(button.mask().contains(QPoint(2, 2)));
    RoundWindowInset(&button);
    EXPECT_EQ(button.mask().boundingRect(), QRect(5, 5, 111, 31));
}

TEST_F(ShapingWidgets, RemoveListBoxBorderTouchesOnlyLists) {
    QListWidget list;
    QLineEdit text;
    text.setFrame(true);
    RemoveListBoxBorder(&list);
    RemoveListBoxBorder(&text);
    RemoveListBoxBorder(nullptr);
    EXPECT_EQ(list.frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(text.hasFrame());
}

TEST_F(ShapingWidgets, DrawRoundFrameClearsAndDrawsGreyBorder) {
    Canvas c;
    c.resize(200, 100);
    c.FilledBox(50, 50, 60, 60, 0);
    DrawRoundFrame(&c);
    const uint32_t grey = Rgb(200, 200, 200);
    EXPECT_EQ(c.PixelAt(100, 0), grey);   // top line
    EXPECT_EQ(c.PixelAt(199, 50), grey);  // right line at w - 1
    EXPECT_EQ(c.PixelAt(55, 55), 0xFFFFFFu);  // cleared first
    EXPECT_EQ(c.DrawWidth(), 2);
}

TEST_F(ShapingWidgets, CanvasScaleWithYUpwards) {
    Canvas c;
    c.resize(330, 330);
    c.Scale(-30, 300, 300, -30);
    QPointF origin = c.ToPixel(0, 0);
    EXPECT_DOUBLE_EQ(origin.x(), 30);
    EXPECT_DOUBLE_EQ(origin.y(), 300);
    c.FilledBox(0, 0, 2, 255, Rgb(255, 0, 0));
    EXPECT_EQ(c.PixelAt(31, 200), 255u);  // red is 0x0000FF
    EXPECT_EQ(c.PixelAt(40, 200), 0xFFFFFFu);
    testing::TempFolder out;
    ASSERT_TRUE(c.SaveBmp(out / "plot.bmp"));
    EXPECT_EQ(out.Read("plot.bmp").substr(0, 2), "BM");
}

}  // namespace
}  // namespace vondrel
