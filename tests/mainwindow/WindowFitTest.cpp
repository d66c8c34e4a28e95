// Every caption of the main window fits its control and no two controls
// meet, at the window's opening size and on the usual desktops; a picture at
// 1366 x 768 goes to the screenshots folder.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>

#include "LayoutCheck.h"
#include "device/DevicePort.h"
#include "device/FactoryCal.h"
#include "device/qt/Frm_Factory.h"
#include "WindowFixture.h"

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
    // The light and temperature frames share one place; the arrow button of
    // each brings the other to the front.
    {"Frame_light", "Frame_temp"},
    // The run's big "to run" caption is a watermark behind the run buttons.
    {"lbl_torun", "*"},
};

// Faults found and not yet mended (see the report of this change); a fault
// not listed here fails the test.
const std::vector<const char*> kMainKnown = {
    "Frame_light/txt_lon and",
    "Frame_light/txt_loff and",
    "Frame_light/cmd_cyclepulse:",
    "Frame_light/Label_loff:",
    "Frame_light/Chk_lenabled:",
    "Frame_temp/Chk_tenabled:",
    "Frame_setup/txt_acqlapse",
    "Frame_setup/txt_wellformat",
    "Frame_setup/Txt_description and",
    "Frame_setup/Cmdsetup and",
    "Frame_setup/txt_projecto and",
    "cmd_stack_pos_",
    "Cmdoffline and",
    "CmdStop and",
    "lbl_torun: reaches past",
    "lbl_temperature: reaches past",
    "combogrup: combo box",
};

using WindowFit = WindowTest;

TEST_F(WindowFit, MainWindowWithBothToolFrames) {
    Prepare();
    Frm_Main& w = FrmMain();
    boxes.ExpectMessage("Only available in some hardware versions");
    w.lght_ctl_Click();
    boxes.ExpectMessage("Only available in some hardware versions");
    w.temp_ctl_Click();
    ASSERT_TRUE(w.Frame_light->isVisibleTo(&w) && w.Frame_temp->isVisibleTo(&w));
    CheckWindowSizes(w, kMainOverlaps, kMainKnown, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("main"));
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
