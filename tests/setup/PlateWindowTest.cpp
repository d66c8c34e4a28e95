// The plate side of the setup window: format changes, groups by lists and by
// the mouse, the arrangement popup, and the parameters.
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <filesystem>

#include "SetupFixture.h"
#include "mainwindow/Canvas.h"
#include "platform/Locale.h"
#include "setup/PlateGroups.h"
#include "store/PlateMap.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::SetupTest;

class PlateWindow : public SetupTest {
protected:
    // A fresh folder with project 1 on w96f, the window shown.
    Frm_setup& Ready() {
        Fresh();
        Frm_setup& w = Shown();
        NewProject("Plate");
        for (int s = 0; s < 4; ++s) setup::ClearGroups(setup::StationGroups(s));
        w.plate_option_Click(0);
        return w;
    }
    // Picks a code in Combowell as the user would and lets the timer run.
    void Pick(Frm_setup& w, const std::string& code) {
        w.Combowell->setEditText(QString::fromStdString(code));
        w.Combowell_Click();
        PumpUntil([&] { return !w.Timer1->isActive(); });
    }
    static std::vector<std::string> Items(const QListWidget* l) {
        std::vector<std::string> out;
        for (int k = 0; k < l->count(); ++k) out.push_back(l->item(k)->text().toStdString());
        return out;
    }
    // A mouse event on the plate at a point in the drawing's units.
    static void Mouse(Frm_setup& w, QEvent::Type type, Qt::MouseButton button, double x, double y) {
        const QPointF px = w.Picwell->ToPixel(x, y);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, px, w.Picwell->mapToGlobal(px), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w.Picwell, &e);
    }
    // Centre of a well in the drawing's units.
    static std::pair<double, double> Centre(int row, int col) {
        return {(col + 0.5) * g_plate_col_pitch * 100 + g_plate_col_offset * 100,
                (row + 0.5) * g_plate_row_pitch * 100 + g_plate_row_offset * 100};
    }
    static int GroupOfWell(int station, int row, int col) {
        return StationChannelGroups(station)[setup::ChannelAt(col * g_plate_rows + row, 0)];
    }
};

TEST_F(PlateWindow, FormatChangeOnStationThreeOnly) {
    Frm_setup& w = Ready();
    EXPECT_EQ(w.Combowell->currentText().toStdString(), g_plate_format);
    for (int s = 0; s < 4; ++s) setup::AutoArrangeGroups(setup::StationGroups(s), "01x01 [RowsxColumn]");
    w.plate_option[2]->setChecked(true);
    w.plate_option_Click(2);
    boxes.ExpectMessage("Load New Plate configuration?", Reply::Yes);
    boxes.ExpectMessage("24 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W24' plate Adapter");
    Pick(w, "w24");
    EXPECT_EQ(g_plate_format, "w24");
    EXPECT_EQ(g_plate_rows, 4);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(g_channel_group_s3[c], -1);
    EXPECT_EQ(g_group_name_s3[0], "Free");
    EXPECT_NE(g_channel_group_s1[0], -1);
    EXPECT_NE(g_channel_group_s4[0], -1);
    EXPECT_EQ(w.Combowell->currentText().toStdString(), "w24");
    EXPECT_EQ(Items(w.combogrup), (std::vector<std::string>{"000_Free"}));
    EXPECT_EQ(w.mnopciongrup[0]->text().toStdString(), "01x01 [RowsxColumn]");

    // No puts the current code back; groups stay.
    boxes.ExpectMessage("Load New Plate configuration?", Reply::No);
    Pick(w, "w384");
    EXPECT_EQ(w.Combowell->currentText().toStdString(), "w24");
    EXPECT_EQ(g_plate_format, "w24");
}

TEST_F(PlateWindow, CodesWithoutAUsableMapChangeNothing) {
    Frm_setup& w = Ready();
    const std::string before = g_plate_format;
    const int16_t rows = g_plate_rows;
    for (const char* code : {"w999", "", "..", "../w384", "a/b"}) {
        boxes.ExpectMessage("Selection Error");
        Pick(w, code);
    }
    // A map that exists but cannot be read: named, nothing cleared.
    home.Write("wbad.dat", "\"Plate map\",\"bad\"\r\nx,y\r\n");
    setup::AutoArrangeGroups(setup::StationGroups(0), "01x01 [RowsxColumn]");
    boxes.ExpectMessage("Selection Error\r\nThe plate map " + (home / "wbad.dat") + " cannot be read.");
    Pick(w, "wbad");
    EXPECT_EQ(g_plate_format, before);
    EXPECT_EQ(g_plate_rows, rows);
    EXPECT_EQ(g_channel_group_s1[0], 0);

    // Found without regard to case; "w96" has no information box.
    SetStandardPlateMap("w96");
    ASSERT_TRUE(WritePlateMapFile(home / "W96.DAT", "w96"));
    std::filesystem::remove(home / "w96.dat");
    SetStandardPlateMap(before);
    boxes.ExpectMessage("Load New Plate configuration?", Reply::Yes);
    Pick(w, "w96");
    EXPECT_EQ(g_plate_format, "w96");
}

TEST_F(PlateWindow, OneChoiceChangesTheFormatOnceWhileItsQuestionWaits) {
    Frm_setup& w = Ready();
    int questions = 0;
    struct Slow : platform::Dialogs {
        int* count;
        platform::Reply Message(const std::string& text, platform::Buttons, const std::string&) override {
            if (text == "Load New Plate configuration?") {
                ++*count;
                // Several timer intervals pass while the question is open.
                for (int k = 0; k < 20; ++k) {
                    QCoreApplication::processEvents();
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            }
            return platform::Reply::No;
        }
        std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
            return std::nullopt;
        }
    } slow;
    slow.count = &questions;
    platform::SetDialogs(&slow);
    Pick(w, "w384");
    for (int k = 0; k < 20; ++k) QCoreApplication::processEvents();
    platform::SetDialogs(&boxes);
    EXPECT_EQ(questions, 1);
}

TEST_F(PlateWindow, GroupsByListsAndRename) {
    Frm_setup& w = Ready();  // w96f: two beams per well
    w.plate_option[1]->setChecked(true);
    w.plate_option_Click(1);
    g_channel_enabled[16] = 0;  // A1's second beam
    ASSERT_GT(w.lstchgrup->count(), 0);
    w.lstchgrup->setCurrentRow(0);
    EXPECT_EQ(w.lstchgrup->currentItem()->text().toStdString(), "A1.0");
    w.lstchgrup_DblClick();
    EXPECT_EQ(g_channel_group_s2[0], 0);
    EXPECT_EQ(g_channel_group_s2[16], 0);  // the whole well, the disabled beam too
    EXPECT_EQ(g_channel_group_s1[0], -1);
    EXPECT_EQ(Items(w.lstgrup), (std::vector<std::string>{"A1.0"}));
    EXPECT_EQ(w.lstchgrup->currentRow(), -1);  // position 0 leaves no selection

    w.lstchgrup->setCurrentRow(3);
    w.Command12_Click();
    EXPECT_EQ(w.lstchgrup->currentRow(), 3);
    w.lstgrup->setCurrentRow(0);
    w.Command13_Click();
    EXPECT_EQ(g_channel_group_s2[0], -1);

    boxes.ExpectInput("Enter New Group (000) Name", "Control \"wt\"");
    w.combogrup_DblClick();
    EXPECT_EQ(g_group_name_s2[0], "Control 'wt'");
    EXPECT_EQ(w.combogrup->currentItem()->text().toStdString(), "000_Control 'wt'");
    boxes.ExpectInput("Enter New Group (000) Name", "");
    w.combogrup_DblClick();
    EXPECT_EQ(g_group_name_s2[0], "Control 'wt'");
}

TEST_F(PlateWindow, ArrangementPopupAndCounts) {
    Frm_setup& w = Ready();
    int visible = 0;
    for (QAction* a : w.mnopciongrup) visible += a->isVisible();
    EXPECT_EQ(visible, 24);
    EXPECT_EQ(w.Combo_sets->count(), 24);
    EXPECT_EQ(w.Combo_sets->currentText().toStdString(), "04x01 [RowsxColumn]");
    w.mnopciongrup[1]->trigger();  // 02x01
    EXPECT_TRUE(w.mnopciongrup[1]->isChecked());
    EXPECT_FALSE(w.mnopciongrup[0]->isChecked());
    EXPECT_EQ(GroupOfWell(0, 0, 0), 0);
    EXPECT_EQ(GroupOfWell(0, 1, 0), 0);
    EXPECT_EQ(GroupOfWell(0, 2, 0), 1);
    EXPECT_EQ(w.combogrup->count(), 49);
    EXPECT_EQ(w.combogrup->currentRow(), 0);

    // A plate of one row by two columns offers two sets.
    home.Write("w2.dat", "\"Plate map\",\"two\"\r\n1,1,0,2,1,0\r\n\"<Label>, <Well>, <Beam>\"\r\n\"A1\",0,0\r\n\"A2\",1,0\r\n");
    for (int c = 2; c < kChannels; ++c) g_channel_well[c] = -1;
    boxes.ExpectMessage("Load New Plate configuration?", Reply::Yes);
    Pick(w, "w2");
    visible = 0;
    for (QAction* a : w.mnopciongrup) visible += a->isVisible();
    EXPECT_EQ(visible, 2);
    EXPECT_EQ(w.Combo_sets->currentIndex(), 0);
}

TEST_F(PlateWindow, ClicksDragsAndAReleaseOffThePlate) {
    Frm_setup& w = Ready();
    w.resize(1000, 750);
    QCoreApplication::processEvents();
    ASSERT_EQ(w.m_plate_ready, 1);
    auto [x0, y0] = Centre(0, 0);
    auto [x1, y1] = Centre(2, 3);
    Mouse(w, QEvent::MouseMove, Qt::NoButton, x0, y0);
    Mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, x0, y0);
    Mouse(w, QEvent::MouseMove, Qt::LeftButton, x1, y1);
    EXPECT_EQ(w.lblnchannel->text().toStdString(), "C4");
    Mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, x1, y1);
    for (int r = 0; r <= 2; ++r)
        for (int c = 0; c <= 3; ++c) EXPECT_EQ(GroupOfWell(0, r, c), 0) << r << "," << c;
    EXPECT_EQ(GroupOfWell(0, 3, 0), -1);
    EXPECT_EQ(w.m_drag_active, 0);

    // Select group 1 (the next free number) and right-click a well free.
    w.combogrup->setCurrentRow(1);
    Mouse(w, QEvent::MouseMove, Qt::NoButton, x0, y0);
    Mouse(w, QEvent::MouseButtonPress, Qt::RightButton, x0, y0);
    Mouse(w, QEvent::MouseButtonRelease, Qt::RightButton, x0, y0);
    EXPECT_EQ(GroupOfWell(0, 0, 0), -1);

    // Press on D1, drag off the plate and release there: only the press counts.
    auto [x2, y2] = Centre(3, 0);
    w.combogrup->setCurrentRow(1);
    Mouse(w, QEvent::MouseMove, Qt::NoButton, x2, y2);
    Mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, x2, y2);
    Mouse(w, QEvent::MouseMove, Qt::LeftButton, 2410, 1600);
    EXPECT_EQ(w.m_pointer_off_plate, -1);
    Mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, 2410, 1600);
    EXPECT_EQ(GroupOfWell(0, 3, 0), 1);
    EXPECT_EQ(GroupOfWell(0, 3, 1), -1);
    EXPECT_EQ(w.m_drag_active, -1);
}

TEST_F(PlateWindow, ClearKeysListingAndTheWebButtons) {
    Frm_setup& w = Ready();
    setup::AutoArrangeGroups(setup::StationGroups(0), "01x01 [RowsxColumn]");
    boxes.ExpectMessage("Do you like to Clear Group lists?", Reply::No);
    w.Cmd_clear_Click();
    EXPECT_EQ(g_channel_group_s1[0], 0);
    boxes.ExpectMessage("Do you like to Clear Group lists?", Reply::Yes);
    w.Cmd_clear_Click();
    EXPECT_EQ(g_channel_group_s1[0], -1);
    EXPECT_EQ(Items(w.combogrup), (std::vector<std::string>{"000_Free"}));

    // Enter in the group list renames, in the free list gives the well.
    boxes.ExpectInput("Enter New Group (000) Name", "Mutants");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(w.combogrup, &enter);
    EXPECT_EQ(g_group_name_s1[0], "Mutants");
    QCoreApplication::sendEvent(w.lstchgrup, &enter);
    EXPECT_EQ(g_channel_group_s1[0], 0);

    // The format list shows the current code only when its file is listed.
    std::filesystem::remove(home / (g_plate_format + ".dat"));
    w.Form_Load();
    EXPECT_EQ(w.Combowell->currentText().toStdString(), "");
    EXPECT_EQ(w.Combowell->currentIndex(), -1);

    // Without web.conf the web buttons name the missing setting and send nothing.
    boxes.ExpectMessage("The web setting chat_host is not set. Write \"chat_host = ...\" in web.conf in the program "
                        "folder, or set the variable VONDREL_CHAT_HOST.");
    w.cmd_askai->click();
    boxes.ExpectMessage("The web setting annotation_host is not set. Write \"annotation_host = ...\" in web.conf in "
                        "the program folder, or set the variable VONDREL_ANNOTATION_HOST.");
    w.cmd_searchDB->click();
    EXPECT_FALSE(w.cmd_annot_web->isEnabled());
}

TEST_F(PlateWindow, Parameters) {
    Frm_setup& w = Ready();
    platform::SetDecimalSeparatorForTest(",");
    w.Txtlapse->setText("");
    EXPECT_EQ(Text(w.Txtlapse), "2");
    EXPECT_EQ(g_acq_lapse, 2);
    w.Txtlapse->setText("40000");
    EXPECT_EQ(Text(w.Txtlapse), "32000");
    w.Txtlapse->setText("0.4");
    EXPECT_EQ(g_acq_lapse, 0);
    EXPECT_EQ(Text(w.Txtlapse), "0.4");
    w.Txtbuffer->setText("150");
    w.Txtbuffer_LostFocus();
    EXPECT_EQ(Text(w.Txtbuffer), "200");
    EXPECT_EQ(g_rt_buffer, 200);
    w.Txtsample->setText("70000");
    EXPECT_EQ(g_sample_rate, 99);

    w.Cmb_organism->setCurrentIndex(3);
    w.Cmb_organism_Click();
    EXPECT_EQ(Text(w.lbl_snr), "0,8");
    EXPECT_EQ(g_tool_param[1][3], 8);
    EXPECT_EQ(g_dsp_method, 3);
    EXPECT_EQ(w.ComboDSP->currentText().toStdString(), "3_Drosophila (Threshold)");

    w.txt_snr_DblClick();
    EXPECT_TRUE(w.lbl_snr->isEnabled());
    w.lbl_snr->setText("1");
    boxes.ExpectMessage("Enter a valid SNR: 0.5 to 0.9");
    w.lbl_snr_LostFocus();
    EXPECT_EQ(Text(w.lbl_snr), "0,8");
    EXPECT_EQ(g_tool_param[1][3], 8);

    w.Cmb_organism->setCurrentIndex(0);
    w.Cmb_organism_Click();
    w.lbl_snr->setText("2,5");
    w.lbl_snr_LostFocus();
    EXPECT_EQ(g_tool_param[1][3], 25);
    w.lbl_snr->setText("5.1");
    boxes.ExpectMessage("Enter a valid SNR: 1.4 to 5.0");
    w.lbl_snr_LostFocus();
    EXPECT_EQ(g_tool_param[1][3], 18);

    // Leaving the box by the keyboard or the mouse checks it once; the
    // refocus after a rejection starts no second check.
    w.show();
    w.activateWindow();
    QCoreApplication::processEvents();
    w.txt_snr_DblClick();
    QCoreApplication::processEvents();
    w.lbl_snr->setText("9");
    boxes.ExpectMessage("Enter a valid SNR: 1.4 to 5.0");
    w.Txtlapse->setFocus(Qt::TabFocusReason);
    for (int k = 0; k < 10; ++k) QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.Done());
    EXPECT_EQ(Text(w.lbl_snr), "1,8");

    w.Combosavecount->setCurrentIndex(0);
    w.Combosavecount_Click();
    EXPECT_EQ(w.Combosavecount->currentText().toStdString(), "YES");
    EXPECT_EQ(g_save_counts, 1);

    // A load keeps the stored threshold and method.
    g_tool_param[1][0] = 0;
    g_tool_param[1][3] = 22;
    g_dsp_method = 0;
    w.Form_Load();
    EXPECT_EQ(Text(w.lbl_snr), "2,2");
    EXPECT_EQ(g_tool_param[1][3], 22);
    EXPECT_EQ(g_dsp_method, 0);
    EXPECT_EQ(w.ComboDSP->currentIndex(), 0);
    EXPECT_FALSE(w.lbl_snr->isEnabled());
    // A stored 0 with Drosophila shows and stores its default.
    g_tool_param[1][0] = 3;
    g_tool_param[1][3] = 0;
    w.Form_Load();
    EXPECT_EQ(Text(w.lbl_snr), "0,8");
    EXPECT_EQ(g_tool_param[1][3], 8);
    platform::SetDecimalSeparatorForTest("");
}

// Only an entry picked from the list changes the format: the focus leaving the
// box (for any control, the box's own list or the menu) asks nothing, also
// after a code was typed into it.
TEST_F(PlateWindow, FocusLeavingTheFormatBoxNeverAsks) {
    Frm_setup& w = Ready();
    setup::AutoArrangeGroups(setup::StationGroups(0), "01x01 [RowsxColumn]");
    w.plate_option_Click(0);
    const auto groups = g_channel_group_s1;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_FALSE(w.Combowell->currentText().isEmpty());
    const size_t shown = boxes.Shown().size();
    auto intoTheBox = [&](const QString& typed) {
        QTest::mouseClick(w.Combowell->lineEdit(), Qt::LeftButton);
        if (!typed.isNull()) w.Combowell->setEditText(typed);
        QCoreApplication::processEvents();
        ASSERT_TRUE(w.Combowell->lineEdit()->hasFocus());
    };
    auto settle = [&](const QString& where) {
        for (int k = 0; k < 10; ++k) QCoreApplication::processEvents();
        EXPECT_FALSE(w.Timer1->isActive()) << where.toStdString();
        EXPECT_EQ(boxes.Shown().size(), shown) << where.toStdString();
    };
    int visited = 0;
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (c->focusPolicy() == Qt::NoFocus || !c->isVisible() || !c->isEnabled()) continue;
        if (c == w.Combowell || c == w.Combowell->lineEdit()) continue;
        for (const QString& typed : {QString(), QString("w384")}) {
            intoTheBox(typed);
            c->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            settle(c->objectName());
        }
        ++visited;
    }
    EXPECT_GT(visited, 10);
    // The list's arrow and the menu, opened after a click into the box.
    intoTheBox(QString());
    w.Combowell->showPopup();
    QCoreApplication::processEvents();
    w.Combowell->hidePopup();
    settle("the list");
    intoTheBox(QString());
    w.mnmenu->popup(w.mapToGlobal(QPoint(10, 10)));
    QCoreApplication::processEvents();
    w.mnmenu->close();
    settle("the menu");
    EXPECT_EQ(g_channel_group_s1, groups);
    // A pick from the list still asks.
    boxes.ExpectMessage("Load New Plate configuration?", Reply::No);
    const int w384 = w.Combowell->findText("w384");
    ASSERT_GE(w384, 0);
    w.Combowell->activated(w384);
    PumpUntil([&] { return !w.Timer1->isActive(); });
}

// A click at the centre of each station button, delivered to whatever control
// lies there, selects that station: no label or hidden control covers one.
TEST_F(PlateWindow, EveryStationButtonTakesAClick) {
    Frm_setup& w = Ready();
    for (const bool maximized : {false, true}) {
        if (maximized) w.showMaximized();
        else w.showNormal();
        QCoreApplication::processEvents();
        for (int k : {1, 0, 3, 2}) {
            QRadioButton* b = w.plate_option[k];
            const QPoint centre = b->mapTo(&w, b->rect().center());
            QWidget* hit = w.childAt(centre);
            ASSERT_NE(hit, nullptr);
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&w, centre));
            EXPECT_TRUE(b->isChecked()) << "STATION " << k + 1 << (maximized ? " maximized" : "") << ": the click went to "
                                        << hit->objectName().toStdString();
            EXPECT_EQ(w.SelectedStation(), k);
        }
    }
}

}  // namespace
}  // namespace vondrel
