// The station, well and group selectors on a small plate: 8 rows by 12
// columns, two beams per well, channel = well * 2 + beam.
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "ShownText.h"
#include "WindowFixture.h"
#include "mainwindow/ActivityPlots.h"
#include "mainwindow/Canvas.h"

namespace vondrel {
namespace {

class Selectors : public testing::WindowTest {
protected:
    void SetUp() override {
        g_plate_rows = 8;
        g_plate_cols = 12;
        g_max_well = 95;
        g_max_beam = 1;
        g_well_beam_channel.Resize(96, 2);
        g_channel_well.fill(-1);
        g_channel_beam.fill(0);
        g_channel_enabled.fill(-1);
        for (int w = 0; w < 96; ++w)
            for (int b = 0; b < 2; ++b) {
                int ch = w * 2 + b;
                g_well_beam_channel.At(w, b) = static_cast<int16_t>(ch);
                g_channel_well[ch] = static_cast<int16_t>(w);
                g_channel_beam[ch] = static_cast<int16_t>(b);
            }
        for (int s = 0; s < 4; ++s) {
            StationChannelGroups(s).fill(-1);
            for (int g = 0; g < kChannelSlots; ++g) StationGroupNames(s)[g] = "Free";
        }
        // Station 1: group 3 holds wells 0..11 (channels 0..23) and well 89.
        for (int ch = 0; ch < 24; ++ch) g_channel_group_s1[ch] = 3;
        g_channel_group_s1[178] = 3;
        g_channel_group_s1[179] = 3;
        g_group_name_s1[3] = "Treated";
        g_group_name_s2[0] = "Control";
        g_channel_enabled[5] = 0;   // disabled
        g_channel_well[7] = -1;     // no well
        main = &FrmMain();
    }

    std::vector<std::string> Items(QListWidget* l) {
        std::vector<std::string> v;
        for (int i = 0; i < l->count(); ++i) v.push_back(l->item(i)->text().toStdString());
        return v;
    }

    // The group-wells plot of station 1 on a cleared activity panel.
    void DrawWellsOnClearPanel() {
        main->Picact->Cls();
        main->Picact->Scale(-30, 300, 300, -30);
        main->DrawGroupWells(0);
    }
    uint32_t PicactAt(double x, double y) {
        QPointF px = main->Picact->ToPixel(x, y);
        return main->Picact->PixelAt(static_cast<int>(px.x()), static_cast<int>(px.y()));
    }

    Frm_Main* main = nullptr;
};

TEST_F(Selectors, RowColumnAndGroupSelectors) {
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    ASSERT_EQ(main->Combofila->count(), 8);
    EXPECT_EQ(main->Combofila->itemText(0).toStdString(), "A");
    EXPECT_EQ(main->Combofila->itemText(7).toStdString(), "H");
    ASSERT_EQ(main->Combocol->count(), 12);
    EXPECT_EQ(main->Combocol->itemText(11).toStdString(), "12");
    ASSERT_EQ(main->combogrup->count(), 1);
    EXPECT_EQ(main->combogrup->itemText(0).toStdString(), "003_Treated");

    // A station whose channels are all free offers group 0 alone.
    main->m_run.m_station = 1;
    main->FillWellSelectors();
    ASSERT_EQ(main->combogrup->count(), 1);
    EXPECT_EQ(main->combogrup->itemText(0).toStdString(), "000_Control");
}

// A group name from the project's files that holds markup: the selector's
// tool tip shows it as written.
TEST_F(Selectors, AGroupNameWithMarkupIsShownAsWritten) {
    g_group_name_s1[3] = "<b>Treated</b> <img src=x.png>";
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    ASSERT_EQ(main->combogrup->count(), 1);
    main->combogrup_Click();
    EXPECT_EQ(testing::ShownToolTip(main->combogrup), "003_<b>Treated</b> <img src=x.png>");
    g_group_name_s1[3] = "Treated & <cured>";  // no tag Qt knows: shown as it is
    main->FillWellSelectors();
    main->combogrup_Click();
    EXPECT_EQ(testing::ShownToolTip(main->combogrup), "003_Treated & <cured>");
}

TEST_F(Selectors, GroupListSkipsDisabledChannelsAndChannelsWithoutWell) {
    main->m_run.m_station = 0;
    main->lstgrup->clear();
    main->ListStationGroupWells(3);
    auto items = Items(main->lstgrup);
    ASSERT_EQ(items.size(), 24u);  // 26 channels less channel 5 and channel 7
    EXPECT_EQ(items[0], "A1.0");
    EXPECT_EQ(items[1], "A1.1");
    EXPECT_EQ(items[2], "B1.0");
    EXPECT_EQ(items.back(), "B12.1");
    EXPECT_EQ(std::count(items.begin(), items.end(), "C1.1"), 0);  // channel 5
    main->lstgrup->clear();
    main->ListStationGroupWells(-1);
    EXPECT_EQ(main->lstgrup->count(), 0);
}

TEST_F(Selectors, PickingAListItemSelectsItsChannel) {
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    main->lstgrup->clear();
    main->ListStationGroupWells(3);
    main->lstgrup->setCurrentRow(main->lstgrup->count() - 1);  // "B12.1"
    main->lstgrup_DblClick();
    EXPECT_EQ(main->Combofila->currentIndex(), 1);
    EXPECT_EQ(main->Combocol->currentIndex(), 11);
    EXPECT_EQ(main->txtsub->text().toStdString(), "1");
    EXPECT_EQ(g_selected_channel, 179);
    EXPECT_EQ(main->lblcanal->text().toStdString(), "179");
    // The group's wells: 0..11 and 89, in increasing order.
    ASSERT_EQ(main->m_group_well_count, 13);
    EXPECT_EQ(main->m_group_wells[0], 0);
    EXPECT_EQ(main->m_group_wells[12], 89);

    // A beam above the plate's last beam is cut down to it; Enter acts as a
    // double-click.
    main->lstgrup->addItem("A1.5");
    main->lstgrup->setCurrentRow(main->lstgrup->count() - 1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(main->lstgrup, &enter);
    EXPECT_EQ(main->txtsub->text().toStdString(), "1");
    EXPECT_EQ(g_selected_channel, 1);
}

TEST_F(Selectors, ChannelButtonsStepThroughTheListAndStopAtItsEnds) {
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    main->lstgrup->clear();
    main->ListStationGroupWells(3);
    const int last = main->lstgrup->count() - 1;
    // Nothing chosen: "-" does nothing, "+" takes the first entry.
    main->lstgrup->setCurrentRow(-1);
    g_selected_channel = 300;
    main->cmdbeam_minus->click();
    EXPECT_EQ(g_selected_channel, 300);
    main->cmdbeam_plus->click();
    EXPECT_EQ(main->lstgrup->currentRow(), 0);
    EXPECT_EQ(main->txtbeam->text().toStdString(), "A1.0");
    EXPECT_EQ(g_selected_channel, 0);
    main->cmdbeam_plus->click();
    EXPECT_EQ(g_selected_channel, 1);  // "A1.1"
    main->cmdbeam_minus->click();
    EXPECT_EQ(g_selected_channel, 0);
    main->cmdbeam_minus->click();
    EXPECT_EQ(main->lstgrup->currentRow(), 0);
    // At the last entry "+" leaves the selection and the channel.
    main->lstgrup->setCurrentRow(last);
    g_selected_channel = 300;
    main->cmdbeam_plus->click();
    EXPECT_EQ(main->lstgrup->currentRow(), last);
    EXPECT_EQ(g_selected_channel, 300);
    main->cmdbeam_minus->click();
    EXPECT_EQ(main->lstgrup->currentRow(), last - 1);
    EXPECT_EQ(g_selected_channel, 178);  // "B12.0"
}

TEST_F(Selectors, ChannelWithoutGroupKeepsThePreviousWellList) {
    main->m_run.m_station = 0;
    g_selected_channel = 0;
    main->lblcanal_Change();
    ASSERT_EQ(main->m_group_well_count, 13);
    g_selected_channel = 100;  // free
    main->lblcanal_Change();
    EXPECT_EQ(main->m_group_well_count, 13);
}

TEST_F(Selectors, StationButtonShowsThatStationsGroups) {
    main->cmd_stack_pos[1]->click();
    EXPECT_EQ(main->m_run.m_station, 1);
    EXPECT_EQ(main->lbl_station->text().toStdString(), "STATION 2");
    EXPECT_EQ(main->combogrup->currentText().toStdString(), "000_Control");
    EXPECT_EQ(g_selected_channel, 0);
}

TEST_F(Selectors, GroupWellsPlotShowsMeanAndWellBars) {
    main->resize(1024, 768);
    main->ArrangeMainControls();
    main->m_run.m_station = 0;
    main->FillWellSelectors();  // group 3 chosen
    main->m_group_well_count = 2;
    main->m_group_wells[0] = 0;
    main->m_group_wells[1] = 1;
    auto& counts = main->m_run.m_cumulative_count[0];
    counts.fill(0);
    counts[0] = 100;  // well 0, beams 0 and 1
    counts[1] = 50;
    main->m_activity_zoom = 1.0;
    Canvas* p = main->Picact;
    DrawWellsOnClearPanel();
    auto at = [this](double x, double y) { return PicactAt(x, y); };
    // Mean of the four beams (100 + 50 + 0 + 0) / 4 = 37.5, to the even 38:
    // a grey bar from 2 to 38 at x 10..30, white above it.
    EXPECT_EQ(at(20, 20), Rgb(200, 200, 200));
    EXPECT_EQ(at(20, 60), 0xFFFFFFu);
    // Well 0 is worth 75: its bar is outlined in black (pen 3, so the line
    // shows just outside the white fill) up to 75.
    QPointF edge = p->ToPixel(40 + 2.5, 50);
    EXPECT_EQ(p->PixelAt(static_cast<int>(edge.x()) - 1, static_cast<int>(edge.y())), 0u);
    EXPECT_EQ(at(40 + 12.5, 90), 0xFFFFFFu);
    EXPECT_DOUBLE_EQ(main->m_activity_zoom, 1.0);

    // A mean above 255 widens the zoom in steps of 0.5 until it fits.
    counts[0] = 1200;
    counts[1] = 1200;
    main->DrawGroupWells(0);
    EXPECT_DOUBLE_EQ(main->m_activity_zoom, 2.5);  // mean 600: 600 / 2.5 = 240
}

// Where a well has no channel the plate map holds 0: such a well neither
// joins channel 0's group nor brings channel 0's count into the group mean.
TEST_F(Selectors, WellWithoutChannelIsNotReadAsChannelZero) {
    main->resize(1024, 768);
    main->ArrangeMainControls();
    main->m_run.m_station = 0;
    g_well_beam_channel.At(90, 0) = 0;
    g_well_beam_channel.At(90, 1) = 0;
    g_channel_well[180] = -1;
    g_channel_well[181] = -1;
    g_selected_channel = 0;
    main->lblcanal_Change();
    ASSERT_EQ(main->m_group_well_count, 13);
    EXPECT_EQ(std::count(main->m_group_wells.begin(), main->m_group_wells.begin() + 13, 90), 0);

    main->m_group_well_count = 2;
    main->m_group_wells[0] = 0;
    main->m_group_wells[1] = 90;
    auto& counts = main->m_run.m_cumulative_count[0];
    counts.fill(0);
    counts[0] = 100;
    counts[1] = 50;
    main->m_activity_zoom = 1.0;
    DrawWellsOnClearPanel();
    auto at = [this](double x, double y) { return PicactAt(x, y); };
    // The mean is well 0's two beams, 75, not (100 + 50 + 100 + 100) / 4.
    EXPECT_EQ(at(20, 70), Rgb(200, 200, 200));
    EXPECT_EQ(at(20, 82), 0xFFFFFFu);
}

}  // namespace
}  // namespace vondrel

namespace vondrel {
namespace {

// Chooses an entry of a selector as the user's pick would leave it, without
// its Click.
void Pick(QComboBox* combo, const QString& text) {
    QSignalBlocker b(combo);
    int i = combo->findText(text);
    if (i < 0) {
        combo->addItem(text);
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
}

TEST_F(Selectors, RowAndColumnSelectorsChooseTheChannelAndShowIt) {
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    const struct {
        const char *row, *col, *beam;
        bool rowClick;
        int channel;
        const char *rowAfter, *colAfter, *beamAfter;
    } cases[] = {
        {"B", "3", "0", false, 34, "B", "3", "0"},   // well (3 - 1) x 8 + 1 = 17
        {"B", "3", "1", true, 35, "B", "3", "1"},
        {"H", "12", "1", true, 191, "H", "12", "1"},
        {"C", "13", "1", true, 1, "A", "1", "1"},    // beyond the plate: back to A1
        {"C", "13", "1", false, 1, "C", "13", "1"},  // the column selector does not check: channel kept
        {"A", "2", "5", true, 16, "A", "2", "0"},    // beam above the last: beam 0
        {"A", "2", "5", false, 16, "A", "2", "5"},   // no beam 5 in the map: channel kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.row << c.col << "." << c.beam << (c.rowClick ? " row" : " column"));
        Pick(main->Combofila, c.row);
        Pick(main->Combocol, c.col);
        main->txtsub->setText(c.beam);
        if (c.rowClick)
            main->Combofila_Click();
        else
            main->Combocol_Click();
        EXPECT_EQ(g_selected_channel, c.channel);
        EXPECT_EQ(main->lblcanal->text().toStdString(), std::to_string(c.channel));
        EXPECT_EQ(main->Combofila->currentText().toStdString(), c.rowAfter);
        EXPECT_EQ(main->Combocol->currentText().toStdString(), c.colAfter);
        EXPECT_EQ(main->txtsub->text().toStdString(), c.beamAfter);
    }
    // With g_max_beam 3 a beam of 5 falls back to 0 in the row selector.
    g_max_beam = 3;
    Pick(main->Combofila, "B");
    Pick(main->Combocol, "1");
    main->txtsub->setText("5");
    main->Combofila_Click();
    EXPECT_EQ(main->txtsub->text().toStdString(), "0");
    EXPECT_EQ(g_selected_channel, 2);
}

TEST_F(Selectors, ANewChannelCaptionRebuildsTheGroupWells) {
    // The column selector and the beam box both change the caption.
    const std::pair<const char*, void (Frm_Main::*)()> ways[] = {
        {"column selector", &Frm_Main::Combocol_Click},
        {"beam box", &Frm_Main::txtsub_LostFocus},
    };
    for (const auto& [name, handler] : ways) {
        SCOPED_TRACE(name);
        main->m_run.m_station = 0;
        main->FillWellSelectors();
        g_selected_channel = 100;
        main->lblcanal->setText("100");
        main->m_group_well_count = 0;
        Pick(main->Combofila, "A");
        Pick(main->Combocol, "1");
        main->txtsub->setText("0");
        (main->*handler)();  // channel 0, group 3
        EXPECT_EQ(main->lblcanal->text().toStdString(), "0");
        EXPECT_EQ(main->m_group_well_count, 13);
    }
}

TEST_F(Selectors, FillingTheSelectorsRunsNoClickAndLeavesTheScratchTable) {
    g_group_name_s1[12] = "Dose";
    g_channel_group_s1[100] = 12;
    g_status_scratch.fill(7);
    main->m_run.m_station = 0;
    main->m_plot_type = 1;
    g_selected_channel = 42;
    main->lblcanal->setText("42");
    main->FillWellSelectors();
    EXPECT_EQ(main->m_plot_type, 1);
    EXPECT_EQ(g_selected_channel, 42);
    EXPECT_EQ(main->lblcanal->text().toStdString(), "42");
    ASSERT_EQ(main->combogrup->count(), 2);
    EXPECT_EQ(main->combogrup->itemText(1).toStdString(), "012_Dose");
    EXPECT_EQ(main->combogrup->currentIndex(), 0);
    EXPECT_EQ(main->Combofila->currentText().toStdString(), "A");
    EXPECT_EQ(main->Combocol->currentText().toStdString(), "1");
    EXPECT_EQ(g_status_scratch[3], 7);
}

TEST_F(Selectors, StationChangeKeepsThePlotTypeAndRedrawsIt) {
    main->resize(1024, 768);
    main->ArrangeMainControls();
    // Thirteen groups at station 2: the bar plot pages.
    for (int g = 0; g < 13; ++g) g_channel_group_s2[static_cast<size_t>(g * 2)] = static_cast<int16_t>(g);
    g_group_name_s2[12] = "Last";
    for (int type = 1; type <= 3; ++type) {
        SCOPED_TRACE(type);
        main->m_plot_type = static_cast<int16_t>(type);
        main->cmd_pgup->hide();
        main->cmd_pgdown->hide();
        main->Picact->Cls();
        main->cmd_stack_pos_Click(1);
        EXPECT_EQ(main->m_plot_type, type);
        EXPECT_EQ(main->m_run.m_station, 1);
        EXPECT_EQ(g_selected_channel, 0);
        EXPECT_EQ(main->combogrup->currentText().toStdString(), "000_Control");
        EXPECT_EQ(main->combogrup->itemText(12).toStdString(), "012_Last");
        // Bars and histogram bring their page buttons; the plate shows only cells.
        EXPECT_EQ(!main->cmd_pgup->isHidden(), type != 2);
    }
}

// Activating the window refills the selectors: the user's group stays
// selected while the station still has it, and nothing moves; once it is
// gone the first group is selected and its wells are listed and traced.
TEST_F(Selectors, ActivationKeepsTheUsersGroupWhileItExists) {
    main->resize(1024, 768);
    main->ArrangeMainControls();
    g_group_name_s1[12] = "Dose";
    g_channel_group_s1[100] = 12;  // well 50 (C7)
    g_channel_group_s1[101] = 12;
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    const int dose = main->combogrup->findText("012_Dose");
    ASSERT_GE(dose, 0);
    main->combogrup->setCurrentIndex(dose);
    main->combogrup_Click();
    const auto wells = Items(main->lstgrup);
    ASSERT_EQ(wells, (std::vector<std::string>{"C7.0", "C7.1"}));
    ASSERT_EQ(g_selected_channel, 100);

    for (int k = 0; k < 2; ++k) {
        main->Form_Activate();
        EXPECT_EQ(main->combogrup->currentText().toStdString(), "012_Dose");
        EXPECT_EQ(Items(main->lstgrup), wells);
        EXPECT_EQ(g_selected_channel, 100);
        EXPECT_EQ(main->Combofila->currentText().toStdString(), "C");
        EXPECT_EQ(main->Combocol->currentText().toStdString(), "7");
    }

    // The group is gone (the setup window freed its wells).
    g_channel_group_s1[100] = -1;
    g_channel_group_s1[101] = -1;
    main->Form_Activate();
    EXPECT_EQ(main->combogrup->currentText().toStdString(), "003_Treated");
    const auto treated = Items(main->lstgrup);
    ASSERT_FALSE(treated.empty());
    EXPECT_EQ(treated.front(), "A1.0");
    EXPECT_EQ(g_selected_channel, 0);
    EXPECT_EQ(main->m_group_well_count, 13);
}

// The sample counter on the trace shows the last count alone, however the
// count moved since the previous print.
TEST_F(Selectors, TraceCounterLeavesOnlyTheLastCount) {
    main->resize(1024, 768);
    main->ArrangeMainControls();
    auto draw = [&](const std::vector<int32_t>& counts) {
        main->Picreal->Cls();
        main->m_counter_text.clear();
        for (int32_t c : counts) {
            main->m_run.m_sample_count = c;
            main->ShowTemperature();
        }
        return main->Picreal->Image().copy();
    };
    const QImage alone = draw({510});
    EXPECT_TRUE(draw({508, 510}) == alone);
    EXPECT_TRUE(draw({505, 510}) == alone);
    EXPECT_TRUE(draw({88, 510}) == alone);
}

// The per-well bars of a group filling a 96- or a 384-well plate: the well
// labels under the bars stay apart (every k-th printed where they would run
// into each other), the first well keeps its label, and the label row holds
// no ink outside the labels recorded as printed.
TEST_F(Selectors, CrowdedWellLabelsStayApart) {
    struct Plate {
        int rows, cols;
    };
    const QSize sizes[] = {{1024, 768}, {1920, 1080}};
    for (const Plate plate : {Plate{8, 12}, Plate{16, 24}}) {
        const int wells = plate.rows * plate.cols;
        g_plate_rows = static_cast<int16_t>(plate.rows);
        g_plate_cols = static_cast<int16_t>(plate.cols);
        g_max_well = static_cast<int16_t>(wells - 1);
        g_max_beam = 0;
        g_well_beam_channel.Resize(wells, 1);
        g_channel_well.fill(-1);
        g_channel_beam.fill(0);
        g_channel_enabled.fill(-1);
        StationChannelGroups(0).fill(-1);
        for (int w = 0; w < wells; ++w) {
            g_well_beam_channel.At(w, 0) = static_cast<int16_t>(w);
            g_channel_well[static_cast<size_t>(w)] = static_cast<int16_t>(w);
            g_channel_group_s1[static_cast<size_t>(w)] = 0;
        }
        g_group_name_s1[0] = "All";
        for (const QSize size : sizes) {
            SCOPED_TRACE(std::to_string(wells) + " wells at " + std::to_string(size.width()));
            main->resize(size);
            main->ArrangeMainControls();
            main->m_run.m_station = 0;
            main->FillWellSelectors();
            ASSERT_EQ(main->combogrup->currentText().toStdString(), "000_All");
            g_selected_channel = 0;
            main->lblcanal_Change();  // the group's wells, from the channel shown
            main->combogrup_Click();
            ASSERT_EQ(main->m_group_well_count, wells);

            const std::vector<QRectF>& labels = main->m_well_label_boxes;
            ASSERT_GE(labels.size(), 2u);
            const Canvas* p = main->Picact;
            // The wells share the panel's 260 units: rounded up to whole
            // units they would run past its right edge.
            EXPECT_NEAR(labels.front().left(), p->ToPixel(40 + 0.1 * 260.0 / wells, 0).x(), 0.5);
            int overlaps = 0;
            for (size_t i = 1; i < labels.size(); ++i)
                if (!(labels[i - 1].right() < labels[i].left())) ++overlaps;
            EXPECT_EQ(overlaps, 0) << "of " << labels.size() << " labels";

            // Every ink pixel of the label row right of the group caption
            // lies in a recorded label (a pixel of leeway for smoothing),
            // and every label on the panel left ink.
            const QImage& image = p->Image();
            const int left = static_cast<int>(std::ceil(p->ToPixel(40, 0).x())) + 1;
            const int top = static_cast<int>(labels.front().top());
            const int bottom = std::min(static_cast<int>(labels.front().bottom()), image.height() - 1);
            std::vector<int> inked(labels.size(), 0);
            int stray = 0;
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x < image.width(); ++x) {
                    if (p->PixelAt(x, y) == 0xFFFFFFu) continue;
                    bool inside = false;
                    for (size_t i = 0; i < labels.size(); ++i)
                        if (labels[i].adjusted(-1, -1, 1, 1).contains(x + 0.5, y + 0.5)) {
                            inside = true;
                            ++inked[i];
                        }
                    if (!inside) ++stray;
                }
            EXPECT_EQ(stray, 0);
            for (size_t i = 0; i < labels.size(); ++i) {
                EXPECT_LE(labels[i].right(), image.width()) << "label " << i;
                EXPECT_GT(inked[i], 0) << "label " << i;
            }

            // The last well is on the panel: with counts in it alone, its bar
            // is the only ink right of the group's mean bar.
            main->m_run.m_cumulative_count[0].fill(0);
            main->m_run.m_cumulative_count[0][static_cast<size_t>(wells - 1)] = 200;
            main->combogrup_Click();
            const int row = static_cast<int>(p->ToPixel(0, 150).y());
            int bar = 0;
            for (int x = left; x < image.width(); ++x)
                if (p->PixelAt(x, row) != 0xFFFFFFu) ++bar;
            EXPECT_GT(bar, 0) << "the last well's bar is not on the panel";
            main->m_run.m_cumulative_count[0].fill(0);
        }
    }
}

// The calibration frame shown over the activity picture is opaque: the
// plot's value axis does not run through its captions.
TEST_F(Selectors, CalibrationFrameHidesThePlotBehindIt) {
    main->resize(1366, 768);
    main->ArrangeMainControls();
    main->m_run.m_station = 0;
    main->FillWellSelectors();
    main->combogrup_Click();
    main->frm_autotext->show();
    const QPointF axis = main->Picact->ToPixel(1, 200);
    const QPoint inFrame = main->frm_autotext->mapFromParent(axis.toPoint());
    ASSERT_TRUE(main->frm_autotext->rect().contains(inFrame)) << "the axis no longer passes under the frame";
    const QImage shown = main->Picact->grab().toImage();
    EXPECT_NE(shown.pixel(axis.toPoint()) & 0xFFFFFFu, 0u);
    main->frm_autotext->hide();
}

TEST(LabelStride, ThinsOutOnlyLabelsThatWouldOverlap) {
    EXPECT_EQ(LabelStride(10, 25), 1);
    EXPECT_EQ(LabelStride(25, 25), 1);
    EXPECT_EQ(LabelStride(20, 3), 7);
    EXPECT_EQ(LabelStride(20, 0), 1);
}

}  // namespace
}  // namespace vondrel
