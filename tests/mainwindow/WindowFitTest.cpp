// Every caption of the main window fits its control and no two controls
// meet, at the window's opening size and on the usual desktops; a picture at
// 1366 x 768 goes to the screenshots folder.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <functional>

#include "LayoutCheck.h"
#include "device/DevicePort.h"
#include "device/FactoryCal.h"
#include "device/qt/Frm_Factory.h"
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
    g_plate_format = "w96u";
    w.Form_Activate();
    ASSERT_TRUE(w.chk_bodybends->isVisibleTo(w.Frame_setup));
    w.Cmd_histoplot->show();
    w.txt_detection->setText(WidestDetectionSummary(w.txt_detection->font()));
    w.Txt_time->setText(QStringLiteral("23:59:59 [99d]"));
    // The window opens at 1024 x 768, the smallest desktop it is made for.
    EXPECT_EQ(w.size(), QSize(1024, 768));
    CheckWindowSizes(w, kMainOverlaps, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("main"),
                     kMainDisplayBoxes);
    // Smaller than it opens, the window goes only as far as its captions fit.
    w.resize(800, 600);
    EXPECT_EQ(w.size(), w.minimumSize());
    EXPECT_EQ(NewLayoutFaults(&w, kMainOverlaps, {}, kMainDisplayBoxes), "") << "main at its minimum size";
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

// The checker's rules for text boxes, on one box in a 200 x 100 window: a
// box the user does not type into shows its whole text, and no text box
// reaches past its parent's edge.
TEST_F(WindowFit, CheckerReadsTextBoxes) {
    const QString longText = QStringLiteral("Detection Mode2, Echinococcus [snr 1.8]");
    struct Case {
        const char* what;
        std::function<QWidget*(QWidget*)> make;
        const char* fault;  // part of the one fault expected; empty: none
    };
    auto edit = [&](QWidget* parent, int width, const QString& text) {
        auto* e = new QLineEdit(text, parent);
        e->setObjectName(QStringLiteral("box"));
        e->setGeometry(10, 10, width, 22);
        return e;
    };
    const Case cases[] = {
        {"read-only, text too wide",
         [&](QWidget* p) {
             auto* e = edit(p, 80, longText);
             e->setReadOnly(true);
             return e;
         },
         "box: display box"},
        {"disabled, text too wide",
         [&](QWidget* p) {
             auto* e = edit(p, 80, longText);
             e->setEnabled(false);
             return e;
         },
         "box: display box"},
        {"editable, text too wide", [&](QWidget* p) { return edit(p, 80, longText); }, ""},
        {"read-only, text fits",
         [&](QWidget* p) {
             auto* e = edit(p, 180, QStringLiteral("00:00"));
             e->setReadOnly(true);
             return e;
         },
         ""},
        {"editable, past the right edge", [&](QWidget* p) { return edit(p, 195, QStringLiteral("1")); },
         "box: reaches past its parent's edge"},
        {"read-only spin box, value too wide",
         [&](QWidget* p) {
             auto* s = new QSpinBox(p);
             s->setObjectName(QStringLiteral("box"));
             s->setRange(0, 2000000000);
             s->setValue(1999999999);
             s->setReadOnly(true);
             s->setGeometry(10, 10, 50, 22);
             return s;
         },
         "box: display box"},
        {"read-only line of text without wrapping, too wide",
         [&](QWidget* p) {
             auto* t = new QPlainTextEdit(longText, p);
             t->setObjectName(QStringLiteral("box"));
             t->setReadOnly(true);
             t->setLineWrapMode(QPlainTextEdit::NoWrap);
             t->setGeometry(10, 10, 80, 40);
             return t;
         },
         "box: display box"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget window;
        window.resize(200, 100);
        c.make(&window);
        window.show();  // a spin box lays out its edit when shown
        QCoreApplication::processEvents();
        const std::vector<std::string> faults = LayoutFaults(&window);
        if (*c.fault == 0) {
            EXPECT_TRUE(faults.empty()) << faults.front();
        } else {
            ASSERT_EQ(faults.size(), 1u);
            EXPECT_NE(faults[0].find(c.fault), std::string::npos) << faults[0];
        }
    }
    // An editable box named as filled by the program is read as a display box.
    QWidget window;
    window.resize(200, 100);
    edit(&window, 80, longText)->setObjectName(QStringLiteral("Txt_time"));
    EXPECT_TRUE(LayoutFaults(&window).empty());
    EXPECT_EQ(LayoutFaults(&window, {}, kMainDisplayBoxes).size(), 1u);
}

TEST_F(WindowFit, LauncherAndAbout) {
    Prepare();
    CheckWindowSizes(FrmInit(), {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("launcher"));
    CheckWindowSizes(FrmAbout(), {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("about"));
}

TEST_F(WindowFit, FactorySettings) {
    Prepare();
    // The longest texts it shows: a calibrated instrument's date and a
    // five-digit serial number.
    const int16_t valid = g_factory_cal_valid, month = g_factory_cal_month, year = g_factory_cal_year,
                  serial = g_device_serial;
    g_factory_cal_valid = kTrue;
    g_factory_cal_month = 12;
    g_factory_cal_year = 26;
    g_device_serial = 32767;
    Frm_Factory& f = FrmFactory();
    f.show();
    EXPECT_EQ(f.txt_mensaje->text().toStdString(), "OK Last Factory Calibration 12/26 [mm/yy]");
    EXPECT_EQ(f.lblserial->text().toStdString(), "SERIAL : QVRN32767");
    // The temperature reading needs the instrument; the layout does not.
    f.Timer_temp->stop();
    CheckWindowSizes(f, {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("factory_settings"));
    g_factory_cal_valid = valid, g_factory_cal_month = month, g_factory_cal_year = year, g_device_serial = serial;
}

}  // namespace
}  // namespace vondrel::testing
