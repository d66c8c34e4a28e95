// The browser window's group editor and tracking, driven through its
// controls: drags by mouse events on the plate picture, "Go...", renaming,
// "CLEAR LIST", leaving with and without saving; the tracking button, its
// timer at a shrunk tick, the frames, and "Export Data".
#include <QComboBox>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <map>
#include <string>

#include "PlateFixture.h"
#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "store/ChannelFiles.h"
#include "store/RunFiles.h"

namespace vondrel::testing {
namespace {

std::vector<std::string> Items(const QListWidget* l) {
    std::vector<std::string> out;
    for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
    return out;
}

std::vector<std::string> Items(const QComboBox* c) {
    std::vector<std::string> out;
    for (int i = 0; i < c->count(); ++i) out.push_back(c->itemText(i).toStdString());
    return out;
}

std::string CountsFile(int records) {
    std::string out;
    for (int r = 0; r < records; ++r) {
        auto b = BuildCountsRecord(r + 1, ChannelTable16{});
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

struct Opener : platform::DesktopOpener {
    std::vector<std::string> opened;
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
};

class EditorTrackWindowTest : public WindowTest {
protected:
    EditorTrackWindowTest() {
        run = home / "p00001/20240316_0900";
        home.Write("p00001/20240316_0900/counts.bin", CountsFile(2));
        home.Write("p00001/20240316_0900/groups.dat", "disk names\r\n");
        home.Write("p00001/20240316_0900/chgroup.dat", "disk groups\r\n");
        w.m_project_folder = "p00001";
        w.m_selection_folder = "20240316_0900";
        w.m_acquisition_path = run;
        w.m_acquisition_open = 1;
        w.resize(1200, 800);
        w.show();
        QCoreApplication::processEvents();
        platform::SetDesktopOpener(&opener);
    }
    ~EditorTrackWindowTest() override {
        platform::SetDesktopOpener(nullptr);
        platform::SetReplaceFaultForTest({});
    }

    // A mouse event on the plate picture at a point of its scale.
    void Mouse(QEvent::Type type, Qt::MouseButton button, double x, double y) {
        const QPointF at = w.Picreal->ToPixel(x, y);
        QMouseEvent e(type, at, w.Picreal->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(w.Picreal, &e);
    }
    // The centre of a well of a plate of pitch 2.
    static double X(int col) { return col * 200 + 100; }
    static double Y(int row) { return row * 200 + 100; }

    void Key(QWidget* target, int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }

    std::string run;
    Opener opener;
    Frm_offline w;
};

TEST_F(EditorTrackWindowTest, EditorByMouseGoRenameAndClear) {
    w.m_config = GridPlate(8, 12, 2);
    browser::ClearAllGroups(w.m_config);
    w.mn_plateedit_Click();
    EXPECT_EQ(w.m_view_mode, 3);
    EXPECT_EQ(w.m_group_edit_open, 1);
    EXPECT_TRUE(w.Framegrup->isVisible());
    EXPECT_FALSE(w.Listpj->isEnabled());
    EXPECT_FALSE(w.framecanal->isVisible());
    EXPECT_FALSE(w.frame_plotbutton->isEnabled());
    EXPECT_EQ(w.Combo_sets->count(), 24);
    EXPECT_EQ(w.Combo_sets->currentText().toStdString(), "04x01 [RowsxColumn]");
    EXPECT_EQ(Items(w.combogrup2), std::vector<std::string>{"000_Free"});
    EXPECT_EQ(w.lstchgrup2->count(), 384);

    // A drag from B2 to C4 with the left button.
    Mouse(QEvent::MouseMove, Qt::NoButton, X(1), Y(1));
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, X(1), Y(1));
    EXPECT_EQ(Items(w.combogrup2), (std::vector<std::string>{"000_Free", "001_Free"}));
    EXPECT_EQ(Items(w.lstgrup2), std::vector<std::string>{"B2"});
    Mouse(QEvent::MouseMove, Qt::LeftButton, X(3), Y(2));
    // The rows marked in blue along the plate's left edge.
    const QPointF from = w.Picreal->ToPixel(-6, Y(2)), to = w.Picreal->ToPixel(10, Y(2));
    bool blue = false;
    for (int px = static_cast<int>(from.x()); px <= static_cast<int>(to.x()) + 1; ++px)
        blue = blue || w.Picreal->PixelAt(px, static_cast<int>(from.y())) == 0xFF0000u;
    EXPECT_TRUE(blue);
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    w.Picreal->Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_editor_drag.png");
#endif
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, X(3), Y(2));
    EXPECT_EQ(Items(w.combogrup2), (std::vector<std::string>{"000_Group0", "001_Free"}));
    EXPECT_EQ(Items(w.lstgrup2), (std::vector<std::string>{"B2", "C2", "B3", "C3", "B4", "C4"}));
    EXPECT_EQ(w.lstchgrup2->count(), 384 - 24);

    // A right click frees a well; a press off the plate does nothing.
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, X(3), Y(2));
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, X(3), Y(2));
    EXPECT_EQ(Items(w.lstgrup2), (std::vector<std::string>{"B2", "C2", "B3", "C3", "B4"}));
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, X(12), Y(2));
    EXPECT_EQ(w.lstchgrup2->count(), 384 - 20);

    // "Go..." with 02x03 blocks.
    w.Combo_sets->setCurrentText("02x03 [RowsxColumn]");
    w.cmd_goset->click();
    EXPECT_EQ(w.combogrup2->count(), 17);
    EXPECT_EQ(Items(w.lstgrup2), (std::vector<std::string>{"A1", "B1", "A2", "B2", "A3", "B3"}));
    EXPECT_EQ(w.lstchgrup2->count(), 0);

    // Renaming by Enter on the group list; Cancel changes nothing.
    w.combogrup2->setCurrentIndex(1);
    boxes.ExpectInput("Enter New Group (001) Name", std::nullopt);
    Key(w.combogrup2, Qt::Key_Return);
    EXPECT_EQ(w.combogrup2->itemText(1).toStdString(), "001_Group1");
    boxes.ExpectInput("Enter New Group (001) Name", "Treated \"A\"");
    Key(w.combogrup2, Qt::Key_Return);
    EXPECT_EQ(w.combogrup2->itemText(1).toStdString(), "001_Treated 'A'");
    EXPECT_EQ(w.m_config.groupNames[1], "Treated 'A'");
    ASSERT_EQ(boxes.Inputs().size(), 2u);
    EXPECT_EQ(boxes.Inputs()[0].defaultText, "Group1");

    boxes.ExpectMessage("Do you like to Clear Group lists?", platform::Reply::No);
    w.Cmd_clear->click();
    EXPECT_EQ(w.combogrup2->count(), 17);
    boxes.ExpectMessage("Do you like to Clear Group lists?", platform::Reply::Yes);
    w.Cmd_clear->click();
    EXPECT_EQ(Items(w.combogrup2), std::vector<std::string>{"000_Free"});
    EXPECT_EQ(w.lstchgrup2->count(), 384);
    EXPECT_TRUE(boxes.Done());
}

TEST_F(EditorTrackWindowTest, LeavingSavesOrKeepsTheFiles) {
    w.m_config = GridPlate(8, 12, 2);
    w.mn_plateedit_Click();
    w.Combo_sets->setCurrentText("01x01 [RowsxColumn]");
    w.cmd_goset->click();
    const auto names = w.m_config.groupNames;
    const auto groups = w.m_config.channelGroup;

    // A write that fails leaves both files as they were and says so.
    int renames = 0;
    platform::SetReplaceFaultForTest([&](std::string_view step) { return step != "rename" || ++renames != 2; });
    boxes.ExpectMessage("Do you like to Save Changes?", platform::Reply::Yes);
    boxes.ExpectMessage("Error updating group files at " + run);
    w.cmdcancelgrups->click();
    platform::SetReplaceFaultForTest({});
    EXPECT_EQ(home.Read("p00001/20240316_0900/groups.dat"), "disk names\r\n");
    EXPECT_EQ(home.Read("p00001/20240316_0900/chgroup.dat"), "disk groups\r\n");
    EXPECT_EQ(w.m_view_mode, 0);
    EXPECT_FALSE(w.Framegrup->isVisible());
    EXPECT_TRUE(w.Listpj->isEnabled());
    EXPECT_TRUE(w.frame_plotbutton->isEnabled());

    w.mn_plateedit_Click();
    boxes.ExpectMessage("Do you like to Save Changes?", platform::Reply::No);
    boxes.ExpectMessage("Original groups restored");
    w.cmdcancelgrups->click();
    EXPECT_EQ(home.Read("p00001/20240316_0900/groups.dat"), "disk names\r\n");

    w.mn_plateedit_Click();
    boxes.ExpectMessage("Do you like to Save Changes?", platform::Reply::Yes);
    boxes.ExpectMessage("New Groups applied and saved");
    w.cmdcancelgrups->click();
    EXPECT_EQ(home.Read("p00001/20240316_0900/groups.dat"), GroupNamesFileText(names));
    EXPECT_EQ(home.Read("p00001/20240316_0900/chgroup.dat"), ChannelGroupsFileText(groups));
    EXPECT_EQ(home.Read("p00001/20240316_0900/groups.bak"), "disk names\r\n");
    EXPECT_TRUE(boxes.Done());
}

// Each entry into the editor lists the free channels and the group's wells
// once, however often it was entered before.
TEST_F(EditorTrackWindowTest, EnteringAgainListsEachChannelOnce) {
    for (int entry = 1; entry <= 3; ++entry) {
        SCOPED_TRACE(entry);
        w.m_config = GridPlate(8, 12, 2);
        browser::ClearAllGroups(w.m_config);
        w.mn_plateedit_Click();
        EXPECT_EQ(w.lstchgrup2->count(), 384);
        boxes.ExpectMessage("Do you like to Save Changes?", platform::Reply::No);
        boxes.ExpectMessage("Original groups restored");
        w.cmdcancelgrups->click();
    }
    EXPECT_TRUE(boxes.Done());
}

// Raw file 0 of a recording: block 0 with dips (events) in the given
// channels at the given samples, the other blocks flat.
std::string RawFile(const std::map<int, std::vector<int>>& dips) {
    const size_t per = static_cast<size_t>(501) * kChannelSlots;
    std::vector<int16_t> levels(per * kWindowsPerNumberedFile);
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<int16_t>(3000 + ((i / kChannelSlots) * 7 + i % kChannelSlots) % 11 - 5);
    for (const auto& [c, samples] : dips)
        for (int s : samples)
            for (int k = 0; k < 3; ++k) levels[static_cast<size_t>(s + k) * kChannelSlots + c] = 500;
    std::string bytes(levels.size() * 2, '\0');
    std::memcpy(bytes.data(), levels.data(), bytes.size());
    return bytes;
}

TEST_F(EditorTrackWindowTest, TrackingPlaysToTheEndAndWritesTheTravelReport) {
    w.m_config = GridPlate(2, 3, 8);
    w.m_config.setup.rtBuffer = 500;
    w.m_config.groupNames[0] = "Control";
    w.m_config.channelGroup[0] = 0;
    home.Write("p00001/20240316_0900/0.bin", RawFile({{16 * 3 + 4, {100}}, {16 * 5 + 4, {100, 200}}}));
    home.Write("p00001/20240316_0900/report.csv", "activity report");
    platform::SetListSeparatorForTest(";");
    w.frmtxt_threshold->setText("9");
    w.chk_bmp->setChecked(true);

    w.cmd_track->click();  // prepares
    EXPECT_EQ(w.m_view_mode, 6);
    EXPECT_FALSE(w.Timer_play->isActive());
    EXPECT_EQ(w.Txtpage->text().toStdString(), "0");
    EXPECT_EQ(w.frmtxt_threshold->text().toStdString(), "1.8");
    EXPECT_TRUE(platform::FolderExists(run + "/bmp"));

    w.m_track_tick_ms = 0;
    w.cmd_track->click();  // plays
    EXPECT_TRUE(w.Timer_play->isActive());
    ASSERT_TRUE(PumpUntil([&] { return !opener.opened.empty(); }));
    EXPECT_EQ(opener.opened, std::vector<std::string>{run + "/travel_report.csv"});
    EXPECT_EQ(w.Txtpage->text().toStdString(), "500/500");
    EXPECT_EQ(home.Read("p00001/20240316_0900/report.csv"), "activity report");
    const std::string csv = home.Read("p00001/20240316_0900/travel_report.csv");
    EXPECT_NE(csv.find("Group/Time[m];1.0;2.0\r\n\"000_Control\";5;0\r\n\"001_Free\";0;0\r\n"), std::string::npos) << csv;
    EXPECT_TRUE(home.Exists("p00001/20240316_0900/bmp/00100.bmp"));
    EXPECT_TRUE(home.Exists("p00001/20240316_0900/bmp/00200.bmp"));
    EXPECT_FALSE(home.Exists("p00001/20240316_0900/bmp/00150.bmp"));
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    w.Picreal->Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_tracking.png");
#endif
    platform::SetListSeparatorForTest("");
}

TEST_F(EditorTrackWindowTest, ExportDataFinishesTheWalkAndUnloadedTablesNeverPlay) {
    w.m_config = GridPlate(2, 3, 8);
    w.m_config.setup.rtBuffer = 500;
    home.Write("p00001/20240316_0900/0.bin", RawFile({{16 * 3 + 4, {100}}, {16 * 3 + 6, {200}}}));
    w.cmd_track->click();
    w.mn_datatrack_Click();
    EXPECT_EQ(w.m_view_mode, 99);
    EXPECT_EQ(opener.opened, std::vector<std::string>{run + "/travel_report.csv"});
    EXPECT_NE(home.Read("p00001/20240316_0900/travel_report.csv").find("\"000_Free\",9,0\r\n"), std::string::npos);

    // Without counts.bin: told on every click, never played.
    std::remove((run + "/counts.bin").c_str());
    boxes.ExpectMessage("Activity file not Found");
    w.cmd_track->click();
    boxes.ExpectMessage("Activity file not Found");
    w.cmd_track->click();
    EXPECT_FALSE(w.Timer_play->isActive());
    w.Timer_play_Timer();
    EXPECT_FALSE(w.Timer_play->isActive());
    EXPECT_TRUE(boxes.Done());
}

TEST_F(EditorTrackWindowTest, PlateConfigEditsTheLinesRecordingAndTheReopenReadsTheSavedGroups) {
    // A w6 project whose plate map gives wells A1..B3 one channel each.
    std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
    setup += "00002,\"Larvae\",\"C:\\data\\\",\"w6\"\r\n";
    for (int i = 3; i <= 20; ++i) setup += (i % 2 ? "\"header\"" : i == 10 ? "1,0,1,28,0,0" : "1,2,3,4,5,6") + std::string("\r\n");
    home.Write("p00002/setup.dat", setup);
    const std::string folder = "p00002/20240316_0900";
    home.Write(folder + "/setup.dat", setup);
    for (const char* f : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) home.Write(folder + "/" + f, "\"h\"\r\n");
    home.Write(folder + "/counts.bin", CountsFile(1));
    WriteSubprojectFile(home / folder, "Second run", "");
    home.Write("w6.dat", CrLf({"\"Plate map\",\"w6\"", "2,8,0,3,8,0", "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                               "\"B1.0\",1,0", "\"A2.0\",2,0", "\"B2.0\",3,0", "\"A3.0\",4,0", "\"B3.0\",5,0"}));
    auto row = [&](const std::string& part) {
        for (int i = 0; i < w.Listpj->count(); ++i)
            if (w.Listpj->item(i)->text().toStdString().find(part) != std::string::npos) return i;
        return -1;
    };
    w.m_acquisition_path.clear();
    w.ListProjects(true);
    w.Listpj->setCurrentRow(row("p00002"));
    w.Listpj_DblClick();
    w.Listpj->setCurrentRow(row("Second run"));
    w.Listpj_DblClick();
    ASSERT_EQ(w.m_acquisition_path, home / folder);

    w.Listpj->setCurrentRow(row("Second run"));
    w.lst_plateconfig_Click();
    EXPECT_EQ(w.m_view_mode, 3);
    EXPECT_FALSE(w.frame_plotbutton->isEnabled());
    EXPECT_EQ(Items(w.Combo_sets), (std::vector<std::string>{"01x01 [RowsxColumn]", "02x01 [RowsxColumn]",
                                                             "01x03 [RowsxColumn]", "02x03 [RowsxColumn]"}));
    EXPECT_EQ(w.Combo_sets->currentIndex(), 2);
    w.Combo_sets->setCurrentIndex(0);
    w.cmd_goset->click();
    EXPECT_EQ(w.combogrup2->count(), 7);

    boxes.ExpectMessage("Do you like to Save Changes?", platform::Reply::Yes);
    boxes.ExpectMessage("New Groups applied and saved");
    w.cmdcancelgrups->click();
    EXPECT_EQ(w.m_view_mode, 0);
    EXPECT_TRUE(home.Exists(folder + "/groups.bak"));
    // The reopened recording holds the groups just saved.
    EXPECT_EQ(w.m_config.channelGroup[5], 5);
    EXPECT_EQ(w.m_config.channelGroup[6], -1);
    EXPECT_EQ(w.m_config.groupNames[5], "Group5");
    EXPECT_EQ(w.combogrup->itemText(5).toStdString(), "005_Group5");
    EXPECT_TRUE(boxes.Done());
}

}  // namespace
}  // namespace vondrel::testing
