// "Factory Settings" and the sensor record read at connect, against the
// simulated instrument.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "RunFixture.h"
#include "device/FactoryCal.h"
#include "device/qt/Frm_Factory.h"
#include "platform/Files.h"

namespace vondrel {
namespace {

using testing::RunTest;

class FactorySettings : public RunTest {};

TEST_F(FactorySettings, ConnectReadsTheRecordAndTheWindowShowsIt) {
    StartRun(true, {"--factory", "0,3,24,1,19,219,0"});
    EXPECT_EQ(g_factory_cal_valid, kTrue);
    EXPECT_DOUBLE_EQ(g_temp_offset, -1.9);
    main().mn_factory->trigger();
    Frm_Factory& f = FrmFactory();
    EXPECT_FALSE(main().isVisible());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.Timer_temp->isActive());
    EXPECT_EQ(f.lblserial->text(), "SERIAL : QVRN00042");
    EXPECT_EQ(f.txt_mensaje->text(), "OK Last Factory Calibration 03/24 [mm/yy]");
    EXPECT_EQ(f.txt_set_temp->text(), "25.0");
    sim->Set("raw-temperature", "100");
    f.Timer_temp_Timer();
    EXPECT_EQ(f.txt_current_temp->text(), "20.0");  // 100 x 0.219 - 1.9
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    ASSERT_TRUE(f.grab().save(QString(VONDREL_SCREENSHOT_DIR) + "/factory_settings.png"));
    f.close();
    EXPECT_FALSE(f.Timer_temp->isActive());
    EXPECT_TRUE(main().isVisible());
}

TEST_F(FactorySettings, SetWritesTheRecordThatTheNextConnectionReads) {
    StartRun(true, {"--raw-temperature", "100"});
    main().mn_factory_Click();
    Frm_Factory& f = FrmFactory();
    f.txt_set_temp->setText("25,0");
    f.Cmd_temp_Click();
    EXPECT_EQ(f.txt_mensaje->text(), "OK Last Factory Calibration 03/26 [mm/yy]");
    EXPECT_EQ(sim->Command("get factory"), "ok 00 03 1A 00 1F DB 00 00");
    EXPECT_NEAR(g_temp_offset, 3.1, 1e-9);
    main().Cmd_disconnect_Click();
    g_temp_offset = 0;
    main().cmd_connect_Click();
    EXPECT_EQ(g_factory_cal_valid, kTrue);
    EXPECT_EQ(g_factory_cal_month, 3);
    EXPECT_EQ(g_factory_cal_year, 26);
    EXPECT_NEAR(g_temp_offset, 3.1, 1e-9);
}

TEST_F(FactorySettings, RefusedSetsWriteNothingAndAFailedWriteLeavesNonCalibrated) {
    StartRun(true, {"--raw-temperature", "none"});
    main().mn_factory_Click();
    Frm_Factory& f = FrmFactory();
    const std::string before = sim->Command("get factory");
    boxes.ExpectMessage("COM Error");
    f.Cmd_temp_Click();
    f.txt_set_temp->setText("3.9");
    boxes.ExpectMessage("invalid Calibration Parameter: value must be between 4°C and 50°C");
    f.Cmd_temp_Click();
    sim->Set("raw-temperature", "0");
    f.txt_set_temp->setText("10.1");
    boxes.ExpectMessage("invalid Calibration Parameter: offset must be between -10°C and 10°C");
    f.Cmd_temp_Click();
    EXPECT_EQ(sim->Command("get factory"), before);
    EXPECT_EQ(f.txt_mensaje->text(), "OK Last Factory Calibration 01/25 [mm/yy]");

    sim->Set("raw-temperature", "100");
    sim->Set("no-echo", "reg:203");
    // The write's 29 unanswered exchanges wait a fifth of their read
    // time-outs, still ample for the temperature and the resynchronisations.
    platform::SetReplyTimeoutScale(0.2);
    f.txt_set_temp->setText("25");
    boxes.ExpectMessage("Ops...Data Writing ERROR: reg(203)... Check COM and Try again");
    f.Cmd_temp_Click();
    EXPECT_EQ(f.txt_mensaje->text(), "NON Calibrated");
    EXPECT_DOUBLE_EQ(g_temp_offset, 0.0);
}

TEST_F(FactorySettings, MenuRefusedOfflineAndDuringARun) {
    StartRun(false);
    const std::string refusal = "Only possible to access in: ONLINE mode and STOP experiment";
    g_offline = kTrue;
    boxes.ExpectMessage(refusal);
    main().mn_factory_Click();
    g_offline = 0;
    g_run_state = 1;
    boxes.ExpectMessage(refusal);
    main().mn_factory_Click();
    g_run_state = 0;
    EXPECT_TRUE(boxes.Done());
}

}  // namespace
}  // namespace vondrel
