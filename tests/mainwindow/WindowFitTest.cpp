// Every caption of the main window fits its control and no two controls
// meet, at the window's opening size and on the usual desktops; a picture at
// 1366 x 768 goes to the screenshots folder.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "LayoutCheck.h"
#include "WindowFixture.h"
#include "setup/ProjectRules.h"

namespace vondrel::testing {
namespace {

const std::vector<DesignedOverlap> kMainOverlaps = {
    // Shapes are drawn outlines and fills behind the controls they frame.
    {"shape_*", "*"},
    {"Shape*", "*"},
    // The trace picture and the activity picture carry their own selector,
    // zoom and page buttons on their edge.
    {"Picreal", "*"},
    {"Picact", "*"},
    // The light and temperature frames share one place; each is opaque and
    // the arrow button of each brings the other to the front.
    {"Frame_light", "Frame_temp"},
};

// Text boxes that the program fills and nobody types into: the elapsed time
// of the run and the channel traced.
const std::vector<const char*> kMainDisplayBoxes = {"Txt_time", "txtbeam"};

// The widest detection summary the setup window hands to the main window,
// over the four organisms with their own method and threshold.
QString WidestDetectionSummary(const QFont& font) {
    QString widest;
    for (int organism = 0; organism <= 3; ++organism) {
        const QString s = QString::fromStdString(setup::DetectionSummary(
            setup::OrganismMethod(organism), organism, setup::OrganismSnrTenths(organism), "."));
        if (QFontMetrics(font).horizontalAdvance(s) > QFontMetrics(font).horizontalAdvance(widest)) widest = s;
    }
    return widest;
}

using WindowFit = WindowTest;

TEST_F(WindowFit, MainWindowWithBothToolFrames) {
    Prepare();
    Frm_Main& w = FrmMain();
    boxes.ExpectMessage("Only available in some hardware versions");
    w.lght_ctl_Click();
    boxes.ExpectMessage("Only available in some hardware versions");
    w.temp_ctl_Click();
    ASSERT_TRUE(w.Frame_light->isVisibleTo(&w) && w.Frame_temp->isVisibleTo(&w));
    // The body-bends box and the histogram button, shown for one plate
    // format, and the texts the setup window and a run put into the display
    // boxes.
    w.txt_wellformat->setText(QStringLiteral("w96u"));
    w.chk_bodybends->show();
    w.Cmd_histoplot->show();
    w.txt_detection->setText(WidestDetectionSummary(w.txt_detection->font()));
    w.Txt_time->setText(QStringLiteral("23:59:59 [99d]"));
    // The window opens at 1024 x 768, the smallest desktop it is made for.
    EXPECT_EQ(w.size(), QSize(1024, 768));
    CheckWindowSizes(w, kMainOverlaps, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("main"),
                     kMainDisplayBoxes);
}

TEST_F(WindowFit, MainWindowWithPulseSettings) {
    Prepare();
    Frm_Main& w = FrmMain();
    boxes.ExpectMessage("Only available in some hardware versions");
    w.lght_ctl_Click();
    w.cmd_cyclepulse_Click();
    ASSERT_TRUE(w.frm_pulse->isVisibleTo(&w));
    std::vector<DesignedOverlap> overlaps = kMainOverlaps;
    // The pulse settings are laid over the hours of the light schedule,
    // which they replace while a pulse cycle is set.
    overlaps.push_back({"frm_pulse", "Label_l*"});
    overlaps.push_back({"frm_pulse", "txt_l*"});
    CheckWindowSizes(w, overlaps, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("main-pulse"),
                     kMainDisplayBoxes);
}

TEST_F(WindowFit, LauncherAndAbout) {
    Prepare();
    CheckWindowSizes(FrmInit(), {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("launcher"));
    CheckWindowSizes(FrmAbout(), {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("about"));
}

}  // namespace
}  // namespace vondrel::testing
