// The checks of the typed run parameters when their box loses the focus.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "RunFixture.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"

namespace vondrel {
namespace {

using testing::RunTest;

class RunValidators : public RunTest {};

TEST_F(RunValidators, RangesFormatsAndDefaultsWithEitherDecimalSign) {
    StartRun(false);
    Frm_Main& m = main();
    struct Case {
        QLineEdit* box;
        void (Frm_Main::*check)();
        const char* typed;
        const char* shown;  // with "." standing for the desktop's decimal sign
        int row, column;
        int16_t stored;
        const char* message;  // nullptr: valid
    };
    const Case cases[] = {
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "7", "07", 2, 1, 7, nullptr},
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "23.0", "23", 2, 1, 23, nullptr},
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "24", "9", 2, 1, 9, "Invalid value: 0 to 23"},
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "-1", "9", 2, 1, 9, "Invalid value: 0 to 23"},
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "abc", "9", 2, 1, 9, "Invalid value: 0 to 23"},
        {m.txt_lon, &Frm_Main::txt_lon_LostFocus, "", "9", 2, 1, 9, "Invalid value: 0 to 23"},
        {m.txt_loff, &Frm_Main::txt_loff_LostFocus, "", "21", 2, 2, 21, "Invalid value: 0 to 23"},
        {m.txt_pulseon, &Frm_Main::txt_pulseon_LostFocus, "2.5", "2.5", 2, 4, 25, nullptr},
        {m.txt_pulseon, &Frm_Main::txt_pulseon_LostFocus, "-1", "0", 2, 4, 0, "Invalid value: 0.0 to 1440.0"},
        {m.txt_pulseoff, &Frm_Main::txt_pulseoff_LostFocus, "1440", "1440.0", 2, 5, 14400, nullptr},
        {m.txt_snr_umbral, &Frm_Main::txt_snr_umbral_LostFocus, "1", "1.8", 1, 3, 18, "Invalid value: 1.1 to 5.0"},
        {m.txt_snr_umbral, &Frm_Main::txt_snr_umbral_LostFocus, "5", "5.0", 1, 3, 50, nullptr},
        {m.txttemp, &Frm_Main::txttemp_LostFocus, "4.9", "20", 3, 1, 200, "Invalid value: 5.0 to 50.0"},
        {m.txttemp, &Frm_Main::txttemp_LostFocus, "37.5", "37.5", 3, 1, 375, nullptr},
    };
    for (const std::string sign : {".", ","}) {
        platform::SetDecimalSeparatorForTest(sign);
        auto local = [&](std::string t) {
            std::replace(t.begin(), t.end(), '.', sign[0]);
            return t;
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(sign + " " + c.box->objectName().toStdString() + " '" + c.typed + "'");
            c.box->setText(c.typed);
            if (c.message) boxes.ExpectMessage(c.message);
            (m.*c.check)();
            EXPECT_TRUE(boxes.Done());
            EXPECT_EQ(c.box->text().toStdString(), local(c.shown));
            EXPECT_EQ(g_tool_param[c.row][c.column], c.stored);
        }
        // The box's own default and a typed decimal comma: valid only where
        // the desktop writes decimals with a comma.
        for (const char* typed : {"1,8", "2,5"}) {
            SCOPED_TRACE(sign + " '" + typed + "'");
            m.txt_snr_umbral->setText(typed);
            if (sign == ".") boxes.ExpectMessage("Invalid value: 1.1 to 5.0");
            m.txt_snr_umbral_LostFocus();
            EXPECT_TRUE(boxes.Done());
            EXPECT_EQ(g_tool_param[1][3], sign == "," ? static_cast<int16_t>(Val(std::string(typed) == "1,8" ? "18" : "25")) : 18);
            EXPECT_EQ(m.txt_snr_umbral->text().toStdString(), sign == "," ? std::string(typed) : "1.8");
        }
        // Half a beam above the last one is held at the last one.
        const std::string above = std::to_string(g_max_beam) + sign + "5";
        m.txtsub->setText(QString::fromStdString(above));
        m.txtsub_LostFocus();
        EXPECT_EQ(m.txtsub->text().toStdString(), std::to_string(g_max_beam));
    }
    platform::SetDecimalSeparatorForTest("");
}

TEST_F(RunValidators, PulseCountLocksTheLightHoursAndTheThresholdPicksTheThirdOrganism) {
    StartRun(false);
    Frm_Main& m = main();
    m.txt_pulsetimes->setText("3");
    m.txt_pulsetimes_LostFocus();
    EXPECT_EQ(g_tool_param[2][3], 3);
    EXPECT_FALSE(m.txt_lon->isEnabled());
    EXPECT_FALSE(m.txt_loff->isEnabled());
    m.txt_pulsetimes->setText("0");
    m.txt_pulsetimes_LostFocus();
    EXPECT_TRUE(m.txt_lon->isEnabled());
    m.txt_pulsetimes->setText("3");
    m.txt_pulsetimes_LostFocus();
    boxes.ExpectMessage("Invalid value: 0-99");
    m.txt_pulsetimes->setText("100");
    m.txt_pulsetimes_LostFocus();
    EXPECT_EQ(m.txt_pulsetimes->text().toStdString(), "0");
    EXPECT_EQ(g_tool_param[2][3], 0);
    EXPECT_TRUE(m.txt_lon->isEnabled());
    EXPECT_TRUE(m.txt_loff->isEnabled());

    m.txt_snr_umbral->setText("2.4");
    m.txt_snr_umbral_LostFocus();
    EXPECT_EQ(m.Cmb_organism->currentIndex(), 2);
    EXPECT_EQ(g_tool_param[1][0], 2);
    EXPECT_DOUBLE_EQ(m.m_run.m_snr_threshold, 2.4);
}

TEST_F(RunValidators, BeamAboveTheLastIsHeldThere) {
    StartRun(false);
    Frm_Main& m = main();
    m.txtsub->setText("99");
    m.txtsub_LostFocus();
    EXPECT_EQ(m.txtsub->text().toStdString(), std::to_string(g_max_beam));
    EXPECT_EQ(m.lblcanal->text().toStdString(), std::to_string(g_selected_channel));
}

}  // namespace
}  // namespace vondrel
