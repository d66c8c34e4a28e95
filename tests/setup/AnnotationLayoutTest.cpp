// The annotation grid and the window's layout.
#include <QDir>
#include <QMouseEvent>

#include "SetupFixture.h"
#include "mainwindow/Canvas.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "setup/Annotation.h"
#include "setup/PlateGroups.h"
#include "setup/SetupLayout.h"

namespace vondrel {
namespace {

using platform::Reply;

class AnnotationGrid : public testing::AnnotationFrameTest {
protected:
    static double Fraction(const QWidget* w, double width) { return w->x() / width; }
};

TEST_F(AnnotationGrid, FirstShowGlobalsAndColumns) {
    Frm_setup& w = Ready();
    EXPECT_FALSE(w.frm_advance->isHidden());
    EXPECT_EQ(Text(w.txt_global_strain), "N2");
    EXPECT_EQ(Text(w.txt_global_orgnum), "35");
    EXPECT_EQ(Text(w.txt_global_buffer), "M9");
    EXPECT_TRUE(w.txt_strain[0]->isHidden());
    EXPECT_EQ(Text(w.txt_group[5]), "5");
    const double W = w.frm_advance->width();
    EXPECT_NEAR(w.txt_compound[0]->width() / W, 0.54, 0.01);
    EXPECT_NEAR(Fraction(w.txt_conc[0], W), 0.64, 0.01);

    w.Chk_global_strain->setChecked(false);
    EXPECT_EQ(g_global_strain, "");
    EXPECT_FALSE(w.txt_strain[0]->isHidden());
    EXPECT_NEAR(w.txt_compound[0]->width() / W, 0.39, 0.01);
    w.Chk_global_strain->setChecked(true);
    EXPECT_EQ(g_global_strain, "N2");  // the default, not an earlier value

    auto columns = setup::AnnotationColumns(true, true, true);
    EXPECT_DOUBLE_EQ(columns[3].boxLeft + columns[3].boxWidth, 0.69);
}

TEST_F(AnnotationGrid, ScrollEditFillAndSetGlobal) {
    Frm_setup& w = Ready();
    w.cmd_up_Click();
    EXPECT_EQ(w.m_annotation_first_row, 0);
    for (int k = 0; k < 10; ++k) w.cmd_down_Click();
    w.txt_compound[2]->setText("aldicarb");
    EXPECT_EQ(g_group_compound[12], "aldicarb");
    w.cmd_up_Click();
    EXPECT_EQ(Text(w.txt_compound[3]), "aldicarb");
    for (int k = 0; k < 400; ++k) w.cmd_down_Click();
    EXPECT_EQ(w.m_annotation_first_row, 378);
    EXPECT_EQ(Text(w.txt_group[5]), "383");

    // Fill with every station-1 group Free changes nothing.
    for (int s = 0; s < 4; ++s) setup::ClearGroups(setup::StationGroups(s));
    g_group_name_s2[4] = "Group4";
    w.combo_tool->setCurrentText("Compound");
    w.txt_global->setText("DMSO");
    w.cmd_fill_Click();
    EXPECT_EQ(g_group_compound[4], "");
    g_group_name_s1[1] = "Group1";
    w.combo_tool->setCurrentText("Strain");
    w.txt_global->setText("CB1370");
    w.cmd_fill_Click();
    EXPECT_EQ(g_group_strain[1], "CB1370");
    EXPECT_EQ(g_group_strain[0], "");
    EXPECT_FALSE(w.Chk_global_strain->isChecked());
    EXPECT_EQ(g_global_strain, "");

    w.combo_tool->setCurrentText("[Conc]");
    w.cmd_setglobal_Click();
    EXPECT_EQ(g_global_strain, "");
    w.combo_tool->setCurrentText("Buffer");
    w.txt_global->setText("S basal");
    w.cmd_setglobal_Click();
    EXPECT_EQ(g_global_medium, "S basal");
    EXPECT_EQ(Text(w.txt_global_buffer), "S basal");
    EXPECT_TRUE(w.Chk_global_buffer->isChecked());

    // Another project keeps the annotation.
    NewProject("Other");
    EXPECT_EQ(g_group_compound[12], "aldicarb");
}

TEST_F(AnnotationGrid, AReleaseWithTheFrameShownGivesTheGridRowsGroup) {
    Frm_setup& w = Ready();
    for (int s = 0; s < 4; ++s) setup::ClearGroups(setup::StationGroups(s));
    w.plate_option_Click(0);
    for (int k = 0; k < 10; ++k) w.cmd_down_Click();
    w.adv_group[2]->setChecked(true);
    w.Picwell_MouseMove(0, 100, 50);
    w.Picwell_MouseDown(1, 100, 50);
    w.Picwell_MouseUp(1, 100, 50);
    EXPECT_EQ(g_channel_group_s1[setup::ChannelAt(0, 0)], 12);
    w.chk_advance->setChecked(false);
    w.combogrup->setCurrentRow(0);
    w.Picwell_MouseMove(0, 100, 250);
    w.Picwell_MouseDown(1, 100, 250);
    w.Picwell_MouseUp(1, 100, 250);
    EXPECT_EQ(g_channel_group_s1[setup::ChannelAt(1, 0)], 0);
}

TEST(SetupLayout, TheExampleWindow) {
    const WindowUnits u = ComputeWindowUnits(12000, 9000);
    EXPECT_EQ(u.MH, 600);
    EXPECT_EQ(u.MT, 225);
    EXPECT_EQ(u.WC, 1800);
    EXPECT_EQ(u.WR, 394);
    const PanelPlace lp = LeftPanelPlace(u);
    EXPECT_EQ(lp.left, 300);
    EXPECT_DOUBLE_EQ(lp.width, 7380);
    EXPECT_DOUBLE_EQ(lp.height, 7683);
    const LeftUnits lu = ComputeLeftUnits(7380, 7683, 15, 15);
    EXPECT_EQ(lu.LC, 120);
    EXPECT_EQ(lu.LR, 26);
    const auto first = setup::PlateAndAdvancePlaces(lu);
    EXPECT_DOUBLE_EQ(first[0].left, 15);
    EXPECT_DOUBLE_EQ(first[0].top, 45.5);
    EXPECT_DOUBLE_EQ(*first[0].width, 450);
    EXPECT_NEAR(*first[0].height, 328.9, 1e-9);
    EXPECT_DOUBLE_EQ(first[1].left, 6);
    EXPECT_DOUBLE_EQ(first[1].top, 260);
    EXPECT_DOUBLE_EQ(*first[1].width, 468);
    EXPECT_DOUBLE_EQ(*first[1].height, 234);
    const setup::AdvanceUnits au = setup::ComputeAdvanceUnits(468, 234, 15, 15);
    EXPECT_EQ(au.aw, 7020);
    EXPECT_EQ(au.ah, 3510);
    const RightUnits ru = ComputeRightUnits(3690, 7683, 15, 15);
    EXPECT_EQ(ru.RC, 123);
    EXPECT_EQ(ru.RR, 26);
    EXPECT_EQ(ru.FC, 1845);
    EXPECT_EQ(ru.FR, 394);
    for (const Placement& p : setup::LeftPanelSetupContents(lu))
        if (p.name == "Label_wellformat") {
            EXPECT_DOUBLE_EQ(*p.height, 13);
        }
    // Halves to the even neighbour.
    EXPECT_EQ(ComputeWindowUnits(12000, 8994).WR, 394);  // (8095 - 225) / 20 = 393.5
    EXPECT_EQ(ComputeWindowUnits(12000, 8971).WR, 392);  // (8074 - 224) / 20 = 392.5
}

TEST(SetupLayout, FrameconfigCoversNoPlacedControl) {
    const WindowUnits u = ComputeWindowUnits(12000, 9000);
    const Placement fc = setup::FrameconfigPlace(u);
    EXPECT_GE(fc.top, LeftPanelPlace(u).top + LeftPanelPlace(u).height);
    EXPECT_LE(fc.top + *fc.height, 9000);
    const LeftUnits lu = ComputeLeftUnits(7380, 7683, 15, 15);
    std::vector<Placement> placed = setup::LeftPanelSetupContents(lu);
    auto overlaps = [](const Placement& a, const Placement& b) {
        const double aw = a.width.value_or(0), ah = a.height.value_or(20), bw = b.width.value_or(0),
                     bh = b.height.value_or(20);
        return a.left < b.left + bw && b.left < a.left + aw && a.top < b.top + bh && b.top < a.top + ah;
    };
    for (const char* added : {"lstgrup", "lstchgrup", "Command12", "Command13", "Label_assigned", "Label_free"}) {
        const Placement* mine = nullptr;
        for (const Placement& p : placed)
            if (p.name == added) mine = &p;
        ASSERT_TRUE(mine) << added;
        for (const Placement& p : placed) {
            if (p.name == "Picwell" || p.name == added) continue;
            bool ours = false;
            for (const char* o : {"lstgrup", "lstchgrup", "Command12", "Command13", "Label_assigned", "Label_free"})
                ours |= p.name == o;
            if (!ours) {
                EXPECT_FALSE(overlaps(*mine, p)) << added << " covers " << p.name;
            }
        }
    }
}

class SetupLayoutWindow : public testing::SetupTest {};

TEST_F(SetupLayoutWindow, AResizeDuringLoadShowsFrameSetupAndPlacesInPixels) {
    Fresh();
    Frm_setup& w = Shown();
    boxes.ExpectMessage("Do you like to save current values before new load?", Reply::No);
    w.cmdLoad_Click();
    w.Frame_setup->hide();
    w.resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.Frame_setup->isHidden());
    EXPECT_FALSE(w.frm_project->isHidden());
    EXPECT_TRUE(w.Txtfolder->isHidden());
    EXPECT_EQ(w.m_plate_ready, 1);
    const QRect outer = w.frameGeometry();
    const WindowUnits u = ComputeWindowUnits(outer.width() * 15.0, outer.height() * 15.0);
    EXPECT_EQ(w.PicPanel1->x(), static_cast<int>(RoundHalfEven(0.5 * u.MH / 15)));
    const LeftUnits lu = ComputeLeftUnits(w.PicPanel1->width() * 15.0, w.PicPanel1->height() * 15.0, 15, 15);
    EXPECT_EQ(w.Picwell->y(), static_cast<int>(RoundHalfEven(1.75 * lu.LR)));
}

}  // namespace
}  // namespace vondrel

namespace vondrel {
namespace {

class SetupScreenshots : public testing::SetupTest {};

TEST_F(SetupScreenshots, PlatesWithGroupsAndTheAnnotationFrame) {
    Prepare();
    ASSERT_TRUE(Start());
    g_connected = kTrue;
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    const std::string dir = VONDREL_SCREENSHOT_DIR;
    FrmInit().cmd_option1_Click();
    Frm_setup& w = FrmSetup();
    w.resize(1100, 820);
    QCoreApplication::processEvents();
    NewProject("Screens");
    w.Txt_description->setPlainText("N2 young adults\nM9, 20 C");
    const struct {
        const char* code;
        const char* info;
        int arrangement;
    } plates[] = {{"w384", "384 Well microplate [1microbeams/well]\r\nUSE 'W384' plate Adapter", 6},
                  {"w96f", "96 Wells flat bottom [2microbeams/well]\r\nUSE 'W96F' plate Adapter", 2},
                  {"w24", "24 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W24' plate Adapter", 1},
                  {"w6", "6 Wells flat bottom [30-32microbeams/well]\r\nUSE 'W384' or 'W6' plate Adapter", 0}};
    for (const auto& p : plates) {
        w.Combowell->setEditText(p.code);
        boxes.ExpectMessage("Load New Plate configuration?", Reply::Yes);
        boxes.ExpectMessage(p.info);
        w.Combowell_Click();
        ASSERT_TRUE(PumpUntil([&] { return g_plate_format == p.code; }));
        w.mnopciongrup[p.arrangement]->trigger();
        QCoreApplication::processEvents();
        const std::string file = dir + "/setup_" + p.code + ".png";
        ASSERT_TRUE(w.grab().save(QString::fromStdString(file)));
        EXPECT_TRUE(platform::FileExists(file));
    }
    w.chk_advance->setChecked(true);
    w.txt_compound[1]->setText("levamisole");
    w.txt_conc[1]->setText("200uM");
    QCoreApplication::processEvents();
    const std::string file = dir + "/setup_annotation.png";
    ASSERT_TRUE(w.grab().save(QString::fromStdString(file)));
    EXPECT_TRUE(platform::FileExists(file));
}

}  // namespace
}  // namespace vondrel
