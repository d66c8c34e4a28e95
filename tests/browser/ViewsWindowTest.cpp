// The browser window's plot views, their menus and exports, its layout and
// the column captions' hover colour, driven through the window with
// scripted boxes and a temporary program folder.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "RecordingOpener.h"
#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "browser/BrowserWindow.h"
#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "store/Globals.h"
#include "store/RunFiles.h"

namespace vondrel::testing {
namespace {

std::string Counts(int records, int16_t count) {
    std::string out;
    for (int minute = 0; minute < records; ++minute) {
        ChannelTable16 t{};
        for (int c = 0; c < 384; ++c) t[c] = count;
        auto b = BuildCountsRecord(minute, t);
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

class ViewsWindowTest : public WindowTest {
protected:
    ViewsWindowTest() {
        platform::SetDesktopOpener(&opener);
        platform::SetDecimalSeparatorForTest(".");
        g_report_spacer = "";
        InstallBrowserWindow();
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
        setup += "00001,\"Larvae\",\"C:\\data\\\",\"w6\"\r\n";
        for (int i = 3; i <= 20; ++i)
            setup += (i % 2 ? "\"header\"" : i == 10 ? "1,0,1,28,0,0" : "1,2,3,4,5,6") + std::string("\r\n");
        home.Write("p00001/setup.dat", setup);
        Run("20240315_1200", "First run", 10, 20);
        Run("20240316_1200", "Second run", 10, 30);
        home.Write("p00001/tags_id.dat", "20240315_1200 [K1]\r\n20240316_1200 [K1]\r\n");
        home.Write("w6.dat", CrLf({"\"Plate map\",\"w6\"", "2,39,0,3,35,0", "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                                   "\"B1.0\",1,0", "\"A2.0\",2,0"}));
    }
    ~ViewsWindowTest() override {
        UnloadBrowserWindow();
        QCoreApplication::processEvents();
        platform::SetDesktopOpener(nullptr);
    }
    void Run(const std::string& name, const std::string& runName, int records, int16_t count) {
        const std::string folder = "p00001/" + name;
        home.Write(folder + "/setup.dat", home.Read("p00001/setup.dat"));
        for (const char* f : {"status.dat", "threshld.dat", "groups.dat"}) home.Write(folder + "/" + f, "\"h\"\r\n");
        home.Write(folder + "/chgroup.dat", CrLf({"\"h\"", "0,0", "1,2"}));
        home.Write(folder + "/counts.bin", Counts(records, count));
        WriteSubprojectFile(home / folder, runName, "");
    }

    Frm_offline& w() { return FrmOffline(); }
    // Shows the browser, opens the project and its first recording.
    void OpenRecording() {
        Hooks().showBrowser();
        QCoreApplication::processEvents();
        w().Listpj->setCurrentRow(0);
        w().Listpj_DblClick();
        for (int i = 0; i < w().Listpj->count(); ++i)
            if (w().Listpj->item(i)->text().contains("First run")) w().Listpj->setCurrentRow(i);
        w().Listpj_DblClick();
        ASSERT_EQ(w().m_selection_folder, "20240315_1200");
    }
    // True when some pixel of the plot picture is not its white background.
    bool Drawn() {
        const QImage& image = w().Picreal->Image();
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
        return false;
    }

    RecordingOpener opener;
};

TEST_F(ViewsWindowTest, ControlsByNameInTheirContainers) {
    Hooks().showBrowser();
    struct Control {
        const char* name;
        const char* className;
        const char* parent;
    };
    const Control controls[] = {
        {"Cmd_report", "QPushButton", "central"},   {"PicPanel1", "vondrel::Canvas", "central"},
        {"Listpj", "QListWidget", "PicPanel1"},     {"Picreal", "vondrel::Canvas", "PicPanel2"},
        {"Frame_bisize", "QFrame", "PicPanel2"},    {"txt_binsize", "QLineEdit", "Frame_bisize"},
        {"cmd_plus", "QPushButton", "Frame_bisize"}, {"cmd_minus", "QPushButton", "Frame_bisize"},
        {"scrollpage", "QScrollBar", "PicPanel2"},  {"Txtpage", "QLineEdit", "PicPanel2"},
        {"Cmd_barplot", "QPushButton", "frame_plotbutton"}, {"Cmd_gridplot", "QPushButton", "frame_plotbutton"},
        {"Cmd_lineplot", "QPushButton", "frame_plotbutton"}, {"cmd_track", "QPushButton", "frame_plotbutton"},
        {"chk_bmp", "QCheckBox", "frame_plotbutton"}, {"List_tags", "QListWidget", "frame_plotbutton"},
        {"cmdchannels", "QPushButton", "framecanal"}, {"combogrup", "QComboBox", "framecanal"},
        {"lstgrup", "QListWidget", "framecanal"},   {"lstgrup_plot", "QListWidget", "framecanal"},
        {"Pic_status", "vondrel::Canvas", "framecanal"}, {"Cmd_analyze", "QPushButton", "fmranalizar"},
        {"Combofila", "QComboBox", "framecanal"},   {"Combocol", "QComboBox", "framecanal"},
        {"txtsub", "QLineEdit", "framecanal"},      {"lblcanal", "QLabel", "framecanal"},
        {"combogrup2", "QComboBox", "Framegrup"},   {"cmd_goset", "QPushButton", "Framegrup"},
        {"Cmd_clear", "QPushButton", "Framegrup"},  {"cmdcancelgrups", "QPushButton", "Framegrup"},
        {"lstgrup2", "QListWidget", "Framegrup"},   {"lstchgrup2", "QListWidget", "Framegrup"},
    };
    for (const Control& c : controls) {
        QWidget* widget = w().findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_STREQ(widget->metaObject()->className(), c.className) << c.name;
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), c.parent) << c.name;
    }
    for (const char* menu : {"mnrename", "mnexporta", "mnrelativize", "mnline", "Mnplate", "mntrack"})
        EXPECT_NE(w().findChild<QMenu*>(menu), nullptr) << menu;
    EXPECT_EQ(w().mnadvanced->objectName(), "mnadvanced");
    EXPECT_EQ(w().mnrel0->text().toStdString(), "Relativize to Time0");
    EXPECT_EQ(w().mn_plateedit->text().toStdString(), "Edit Plate Groups");
    // Hidden at the start: the cloud button, the channel selectors, the editor, the page strip.
    for (QWidget* hidden : std::initializer_list<QWidget*>{w().Cmd_cloud, w().Combofila, w().Combocol, w().txtsub,
                                                          w().lblcanal, w().Framegrup, w().scrollpage, w().chk_bmp})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_EQ(w().Timer_play->interval(), 50);
    EXPECT_FALSE(w().Timer_button->isActive());
    EXPECT_EQ(w().cmb_modeanalisis->itemText(1).toStdString(), "Mode:1");
    EXPECT_EQ(w().frmtxt_threshold->text().toStdString(), "1.8");
}

TEST_F(ViewsWindowTest, LayoutFollowsTheWindowSize) {
    Hooks().showBrowser();
    QCoreApplication::processEvents();
    // It would open at 12000 x 9000 twips (800 x 600), but no smaller than
    // the size that holds its captions.
    EXPECT_EQ(w().size(), Frm_offline::kMinimumSize);
    w().resize(400, 300);
    EXPECT_EQ(w().size(), Frm_offline::kMinimumSize);

    w().resize(QSize(1200, 800) - (w().frameGeometry().size() - w().size()));
    QCoreApplication::processEvents();
    ASSERT_EQ(w().frameGeometry().size(), QSize(1200, 800));
    // 18000 x 12000 twips: cu 2700, ru 525, qu 180.
    EXPECT_EQ(w().Picreal->x(), 274);  // 1.525 qu = 274.5 pixels, halves to even
    EXPECT_EQ(w().Picreal->width(), 676);  // its right edge at 949.5 pixels, halves to even
    EXPECT_EQ(w().cmd_track->geometry(), w().Cmd_cloud->geometry());
    // The list hangs under the group combo box as the toolkit sized it.
    EXPECT_EQ(w().lstgrup->y(), static_cast<int>(RoundHalfEven((1.5 * 525 + w().combogrup->height() * 15) / 15.0)));
    // The page strip lies right under the picture.
    EXPECT_EQ(w().Frame_bisize->y(), w().Picreal->y() + w().Picreal->height());
}

TEST_F(ViewsWindowTest, CaptionsTurnGreenUnderTheMouseAndBlueAtTheTick) {
    Hooks().showBrowser();
    auto colour = [](QLabel* l) { return l->palette().color(QPalette::WindowText); };
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w().Cmd_main, &move);
    EXPECT_TRUE(w().Timer_button->isActive());
    EXPECT_NE(colour(w().lbl_date), QColor(0, 255, 0));

    QCoreApplication::sendEvent(w().lbl_date, &move);
    EXPECT_EQ(colour(w().lbl_date), QColor(0, 255, 0));
    EXPECT_NE(colour(w().lblproject), QColor(0, 255, 0));
    w().Timer_button_Timer();
    EXPECT_EQ(colour(w().lbl_date), QColor(0, 0, 255));
    EXPECT_EQ(colour(w().lblproject), QColor(0, 0, 255));
    EXPECT_TRUE(w().Timer_button->isActive());  // it keeps ticking
    EXPECT_EQ(w().Timer_button->interval(), 1000);
}

TEST_F(ViewsWindowTest, ViewButtonsDrawAndChooseTheirMenu) {
    OpenRecording();
    // Opening draws the group bars and the details box.
    EXPECT_EQ(w().m_view_mode, 0);
    EXPECT_TRUE(Drawn());
    EXPECT_EQ(w().txt_pj_details->toPlainText().toStdString(),
              "***** CONFIG ******\nMicroplate format: [w6]\nAcquisition Lapse = 2min\nSetting: Mode5\n[Zebrafish "
              "SNR=2.8]\n");
    EXPECT_EQ(w().PlotPopup(), w().mnexporta);
    EXPECT_TRUE(w().Frame_bisize->isHidden());

    w().Cmd_lineplot->click();
    EXPECT_EQ(w().m_view_mode, 4);
    EXPECT_FALSE(w().Frame_bisize->isHidden());
    EXPECT_EQ(w().txt_binsize->text().toStdString(), "5");  // a lapse under an hour
    EXPECT_EQ(w().m_bin_minutes, 5);
    EXPECT_EQ(w().PlotPopup(), w().mnline);
    // Ten minutes in 5-minute bins span 30 at least: "+" gives 10, "-" 5 again.
    w().cmd_plus->click();
    EXPECT_EQ(w().txt_binsize->text().toStdString(), "10");
    EXPECT_EQ(w().m_bin_minutes, 10);
    w().cmd_minus->click();
    EXPECT_EQ(w().txt_binsize->text().toStdString(), "5");

    w().Cmd_gridplot->click();
    EXPECT_EQ(w().m_view_mode, 5);
    EXPECT_TRUE(w().Frame_bisize->isHidden());
    EXPECT_EQ(w().PlotPopup(), w().Mnplate);
    EXPECT_EQ(w().m_channel_totals[0], 200);

    w().txt_binsize->setText("30");
    w().Cmd_barplot->click();
    EXPECT_EQ(w().m_view_mode, 0);
    EXPECT_EQ(w().txt_binsize->text().toStdString(), "5");

    // A right click on the picture opens the view's menu.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), w().Picreal->mapToGlobal(QPointF(5, 5)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w().Picreal, &press);
    EXPECT_TRUE(w().mnexporta->isVisible());
    w().mnexporta->hide();

    struct ModeMenu {
        int mode, tagKinetics;
        QMenu* menu;
    };
    for (const ModeMenu& c : {ModeMenu{1, 0, w().mnexporta}, ModeMenu{4, 1, w().mnrelativize},
                              ModeMenu{6, 0, w().mntrack}, ModeMenu{3, 0, nullptr}, ModeMenu{99, 0, nullptr}}) {
        w().m_view_mode = c.mode;
        w().m_tag_kinetics = c.tagKinetics;
        EXPECT_EQ(w().PlotPopup(), c.menu) << c.mode;
    }
}

TEST_F(ViewsWindowTest, GroupActivityRestoresTheGroupView) {
    OpenRecording();
    // As another view would leave the window.
    w().cmdchannels->setText("Sig");
    w().Cmd_leegroups->setText("Grp");
    for (QWidget* shown : std::initializer_list<QWidget*>{w().combogrup, w().lstgrup, w().Pic_status, w().fmranalizar,
                                                         w().scrollpage, w().Label_page, w().Txtpage, w().Frame_bisize})
        shown->show();
    w().lstgrup_plot->hide();
    w().m_view_mode = 1;
    w().m_bar_first_group = 3;
    w().Cmd_leegroups->click();
    EXPECT_EQ(w().m_view_mode, 0);
    EXPECT_EQ(w().m_bar_first_group, 0);
    EXPECT_EQ(w().cmdchannels->text().toStdString(), "Channel Signal");
    EXPECT_EQ(w().Cmd_leegroups->text().toStdString(), "[Group Activity]");
    for (QWidget* hidden : std::initializer_list<QWidget*>{w().combogrup, w().lstgrup, w().Pic_status, w().fmranalizar,
                                                          w().scrollpage, w().Label_page, w().Txtpage, w().Frame_bisize})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_FALSE(w().lstgrup_plot->isHidden());
    EXPECT_FALSE(w().frame_plotbutton->isHidden());
    EXPECT_FALSE(w().Txt_description->isHidden());
}

TEST_F(ViewsWindowTest, GroupListRedrawsTheViewWithTheTypedBinSize) {
    OpenRecording();
    ASSERT_EQ(w().lstgrup_plot->count(), 13);
    struct BarCase {
        int row, firstGroup;
    };
    for (const BarCase& c : {BarCase{12, 3}, BarCase{4, 0}, BarCase{10, 1}}) {
        w().lstgrup_plot->setCurrentRow(c.row);
        w().lstgrup_plot_DblClick();
        EXPECT_EQ(w().m_bar_first_group, c.firstGroup) << c.row;
    }

    w().Cmd_lineplot->click();
    struct BinCase {
        const char* typed;
        int bin;
        const char* shown;
    };
    for (const BinCase& c : {BinCase{"2.5", 2, "2.5"}, BinCase{"3.5", 4, "3.5"}, BinCase{"0", 5, "5"},
                             BinCase{"-3", 5, "5"}}) {
        w().txt_binsize->setText(c.typed);
        w().lstgrup_plot_KeyPress(13);
        EXPECT_EQ(w().m_bin_minutes, c.bin) << c.typed;
        EXPECT_EQ(w().txt_binsize->text().toStdString(), c.shown) << c.typed;
    }
    w().txt_binsize->setText("3.5");
    w().lstgrup_plot_KeyPress(27);  // any other key does nothing
    EXPECT_EQ(w().m_bin_minutes, 5);
}

TEST_F(ViewsWindowTest, TagKineticsRelativizeAndJointExport) {
    OpenRecording();
    ASSERT_EQ(w().List_tags->count(), 1);
    w().List_tags->setCurrentRow(0);
    w().mnrel0->setChecked(true);
    w().List_tags_DblClick();
    EXPECT_FALSE(w().mnrel0->isChecked());  // a tag pick clears the mark
    EXPECT_EQ(w().m_tag_kinetics, 1);
    EXPECT_EQ(w().m_view_mode, 4);
    EXPECT_EQ(w().m_tag_sorted_list, " 20240315_1200 20240316_1200");
    EXPECT_EQ(w().PlotPopup(), w().mnrelativize);
    EXPECT_EQ(w().m_group_bin_means.at(2, 0), 300);

    w().mnrel0->trigger();
    EXPECT_TRUE(w().mnrel0->isChecked());
    EXPECT_EQ(w().m_group_bin_means.at(1, 0), 100);
    EXPECT_EQ(w().m_group_bin_means.at(2, 0), 150);

    w().txt_binsize->setText("30");
    w().mn_jointexport->trigger();
    ASSERT_EQ(opener.opened.size(), 1u);
    const std::string report = opener.opened[0];
    EXPECT_EQ(std::filesystem::path(report).parent_path().string(), home / "p00001");
    EXPECT_EQ(std::filesystem::path(report).filename().string().substr(0, 12), "joint_report");
    const std::string text = platform::ReadTextFile(report).value_or("");
    EXPECT_EQ(text.substr(0, 14), "Joint Report [");
    EXPECT_NE(text.find("\r\nAcq:;20240315_1200;20240316_1200\r\n\r\nGroup/Time[min];0;1440\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[#000_Group0];100;150\r\n"), std::string::npos) << text;

    // "+" and "-" redraw the tag kinetics while they are shown.
    w().mnrel0->trigger();
    w().txt_binsize->setText("5");
    w().cmd_plus->click();
    EXPECT_EQ(w().m_group_bin_means.at(2, 0), 300);
}

TEST_F(ViewsWindowTest, KineticsWithoutCountsDrawAndExportNothing) {
    home.Write("p00001/20240315_1200/counts.bin", Counts(10, 0));
    home.Write("p00001/20240316_1200/counts.bin", Counts(10, 0));
    OpenRecording();
    w().Picreal->Cls();
    w().List_tags->setCurrentRow(0);
    w().List_tags_DblClick();
    EXPECT_FALSE(Drawn());
    w().mn_jointexport->trigger();
    EXPECT_TRUE(opener.opened.empty());
    for (const auto& entry : std::filesystem::directory_iterator(home / "p00001"))
        EXPECT_NE(entry.path().filename().string().substr(0, 12), "joint_report");
}

TEST_F(ViewsWindowTest, PictureExportsLandInTheProgramFolderAndOpen) {
    OpenRecording();
    struct Export {
        QAction* action;
        const char* file;
    };
    for (const Export& e : {Export{w().mn_jointbmp, "image1.bmp"}, Export{w().mn_linebmp, "lineimg.bmp"},
                            Export{w().mn_platebmp, "plateimg.bmp"}, Export{w().bmpexporta, "image1.bmp"}}) {
        opener.opened.clear();
        std::filesystem::remove(home / e.file);
        e.action->trigger();
        const std::string path = home / e.file;
        ASSERT_EQ(opener.opened, std::vector<std::string>{path}) << e.file;
        const std::string bytes = platform::ReadBinaryFile(path).value_or("");
        ASSERT_GT(bytes.size(), 54u) << e.file;
        // A device-independent bitmap of the picture: header, size, depth.
        auto le = [&bytes](size_t at, int n) {
            uint32_t v = 0;
            for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
            return v;
        };
        EXPECT_EQ(bytes.substr(0, 2), "BM") << e.file;
        EXPECT_EQ(le(2, 4), bytes.size()) << e.file;
        EXPECT_EQ(le(18, 4), static_cast<uint32_t>(w().Picreal->width())) << e.file;
        EXPECT_EQ(le(22, 4), static_cast<uint32_t>(w().Picreal->height())) << e.file;
        EXPECT_EQ(le(28, 2), 24u) << e.file;
        // An outside reader checks the same files when it asks for copies.
        if (const char* copies = std::getenv("VONDREL_BMP_COPY_DIR"))
            std::filesystem::copy_file(path, std::filesystem::path(copies) / (e.action->objectName().toStdString() + ".bmp"),
                                       std::filesystem::copy_options::overwrite_existing);
    }

    // A file that cannot be written is told and nothing opens.
    opener.opened.clear();
    std::filesystem::remove(home / "lineimg.bmp");
    std::filesystem::create_directories(home / "lineimg.bmp");
    boxes.ExpectMessage("Error writing " + home / "lineimg.bmp");
    w().mn_linebmp->trigger();
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(ViewsWindowTest, ScreenshotsOfTheViews) {
    OpenRecording();
    const std::string dir = VONDREL_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    auto shot = [&](const char* name) {
        QCoreApplication::processEvents();
        ASSERT_TRUE(w().grab().save(QString::fromStdString(dir + "/browser_view_" + name + ".png")));
    };
    w().lstgrup_plot->setCurrentRow(11);
    w().lstgrup_plot_DblClick();
    shot("bars_page2");
    w().Cmd_lineplot->click();
    shot("line");
    w().List_tags->setCurrentRow(0);
    w().List_tags_DblClick();
    w().mnrel0->trigger();
    shot("tags_relative");
    w().Cmd_gridplot->click();
    shot("heatmap");
}

TEST_F(ViewsWindowTest, GroupActivityWithoutARecordingReadsNothing) {
    Hooks().showBrowser();
    // A counts.bin in the working folder is never taken for the open recording's.
    home.Write("counts.bin", Counts(3, 50));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(home.Path());
    boxes.ExpectMessage("Activity file not Found");
    w().Cmd_leegroups->click();
    std::filesystem::current_path(cwd);
    EXPECT_EQ(w().m_bin_count, 0);
    EXPECT_EQ(w().txt_pj_details->toPlainText().toStdString(), "");
}

TEST_F(ViewsWindowTest, AdvancedCalculationIsTheReportButton) {
    OpenRecording();
    boxes.ExpectMessage("The report window is not available in this version.");
    w().m_view_mode = 5;
    w().mnadvanced->trigger();
    EXPECT_EQ(w().m_view_mode, 0);
}

}  // namespace
}  // namespace vondrel::testing
