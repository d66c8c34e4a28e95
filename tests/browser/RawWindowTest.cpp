// The browser window's channel-signal view driven through its controls:
// "Channel Signal", paging, the row, column, beam and list picks, "Analyze"
// and "Export to ASCII...", with scripted boxes and a temporary program folder.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
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
#include "store/RunFiles.h"

namespace vondrel::testing {
namespace {

// Window w of the run: A1's beam 0 (channel 0) at 1000 + 10 (w % 50) with two
// dips to 0, beam 1 (channel 1) at 600; every other channel at 300.
std::string Block(int w) {
    std::vector<int16_t> v(501 * 385, 300);
    for (int s = 0; s <= 500; ++s) {
        v[static_cast<size_t>(s) * 385] = static_cast<int16_t>(s == 150 || s == 151 || s == 350 || s == 351 ? 0 : 1000 + 10 * (w % 50));
        v[static_cast<size_t>(s) * 385 + 1] = 600;
    }
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2);
}

std::string Counts(int records) {
    std::string out;
    for (int r = 0; r < records; ++r) {
        auto b = BuildCountsRecord(100 + r, ChannelTable16{});
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

class RawWindowTest : public WindowTest {
protected:
    RawWindowTest() {
        platform::SetDesktopOpener(&opener);
        platform::SetDecimalSeparatorForTest(".");
        InstallBrowserWindow();
        // Two rows, two columns, two beams a well: channels 0..7 are A1.0, A1.1, B1.0, ...
        home.Write("w2b.dat", CrLf({"\"Plate map\",\"w2b\"", "2,39,0,2,35,0", "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                                    "\"A1.1\",0,1", "\"B1.0\",1,0", "\"B1.1\",1,1", "\"A2.0\",2,0", "\"A2.1\",2,1",
                                    "\"B2.0\",3,0", "\"B2.1\",3,1"}));
        WriteProject(500);
        // Seven raw files: 0..4 of one block each, 5 of eleven, 6 of three.
        for (int n = 0; n < 5; ++n) home.Write(folder + "/" + RawFileName(n), Block(11 * n));
        std::string five;
        for (int b = 0; b < 11; ++b) five += Block(55 + b);
        home.Write(folder + "/5.bin", five);
        home.Write(folder + "/6.bin", Block(66) + Block(67) + Block(68));
        home.Write(folder + "/histo0000.bin", "not a raw file");
        home.Write(folder + "/counts.bin", Counts(69));
        WriteSubprojectFile(home / folder, "Raw run", "");
    }
    ~RawWindowTest() override {
        UnloadBrowserWindow();
        QCoreApplication::processEvents();
        platform::SetDesktopOpener(nullptr);
    }
    void WriteProject(int rtBuffer) {
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
        setup += "00001,\"Larvae\",\"C:\\data\\\",\"w2b\"\r\n\"h\"\r\n1,60,1," + std::to_string(rtBuffer) + ",1,30\r\n";
        setup += "\"h\"\r\n1,0,1,28,0,1\r\n\"h\"\r\n1,2,3,4,5,6\r\n\"h\"\r\n1,1,1,18,0,0\r\n";
        home.Write("p00001/setup.dat", setup);
        home.Write(folder + "/setup.dat", setup);
        for (const char* f : {"status.dat", "threshld.dat", "groups.dat"}) home.Write(folder + "/" + f, "\"h\"\r\n");
        home.Write(folder + "/chgroup.dat", CrLf({"\"h\"", "0,0", "1,0", "2,1", "3,1", "4,-1", "5,-1", "6,-1", "7,-1"}));
    }

    Frm_offline& w() { return FrmOffline(); }
    void OpenRecording() {
        Hooks().showBrowser();
        QCoreApplication::processEvents();
        w().Listpj->setCurrentRow(0);
        w().Listpj_DblClick();
        for (int i = 0; i < w().Listpj->count(); ++i)
            if (w().Listpj->item(i)->text().contains("Raw run")) w().Listpj->setCurrentRow(i);
        w().Listpj_DblClick();
        ASSERT_EQ(w().m_selection_folder, "20240315_1200");
    }
    // Whether the plot picture shows `bgr` within a pixel of the scale point.
    bool Near(double x, double y, uint32_t bgr) {
        const QPointF p = w().Picreal->ToPixel(x, y);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (w().Picreal->PixelAt(static_cast<int>(p.x()) + dx, static_cast<int>(p.y()) + dy) == bgr) return true;
        return false;
    }
    int Count(uint32_t bgr) {
        const QImage& image = w().Picreal->Image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += w().Picreal->PixelAt(x, y) == bgr;
        return n;
    }

    const std::string folder = "p00001/20240315_1200";
    RecordingOpener opener;
    static constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGrey = 0x808080;
};

TEST_F(RawWindowTest, ChannelSignalPagesThroughElevenWindowsAFile) {
    OpenRecording();
    w().cmdchannels->click();
    EXPECT_EQ(w().m_view_mode, 1);
    EXPECT_EQ(w().cmdchannels->text(), "[Channel Signal]");
    EXPECT_EQ(w().m_raw_file_count, 7);  // histo0000.bin is no raw file
    EXPECT_EQ(w().Txtpage->text(), "1/2");
    EXPECT_EQ(w().scrollpage->maximum(), 2);
    EXPECT_TRUE(w().scrollpage->isVisibleTo(&w()));
    EXPECT_TRUE(w().lstgrup->isVisibleTo(&w()));
    EXPECT_FALSE(w().lstgrup_plot->isVisibleTo(&w()));
    // Page 1: slot 11 is file 1's only block (window 11), beam 0 red, beam 1 blue.
    EXPECT_TRUE(Near(11 * 500 + 50, 1000 + 10 * 11, kRed));
    EXPECT_TRUE(Near(11 * 500 + 50, 600, kBlue));
    EXPECT_FALSE(Near(12 * 500 + 50, 1000 + 10 * 12, kRed));  // file 1 holds one block

    w().scrollpage->setValue(2);
    EXPECT_EQ(w().m_raw_page, 2);
    EXPECT_EQ(w().Txtpage->text(), "2/2");
    // Page 2: file 5 in slots 0..10, file 6 in 11..13, the rest cleared.
    EXPECT_TRUE(w().m_raw_cube.Filled(13));
    EXPECT_FALSE(w().m_raw_cube.Filled(14));
    EXPECT_EQ(w().m_raw_cube.Level(0, 10, 0), 1000 + 10 * 15);  // window 65
    EXPECT_EQ(w().m_raw_cube.Level(0, 11, 0), 1000 + 10 * 16);  // window 66
    EXPECT_TRUE(Near(13 * 500 + 50, 1000 + 10 * 18, kRed));
    EXPECT_FALSE(Near(20 * 500 + 50, 1000 + 10 * 20, kRed));
    EXPECT_EQ(w().Pic_status->PixelAt(w().Pic_status->width() - 2, w().Pic_status->height() / 2), 0xFF0000u);

    // Outside the view the bar snaps back and nothing is read.
    w().Cmd_leegroups_Click();
    w().scrollpage->setValue(1);
    EXPECT_EQ(w().scrollpage->value(), 2);
    EXPECT_EQ(w().m_raw_cube.Page(), 2);
    EXPECT_FALSE(w().Combofila->isVisibleTo(&w()));
}

TEST_F(RawWindowTest, RowColumnBeamAndListPicks) {
    OpenRecording();
    w().cmdchannels->click();
    struct Case {
        int row, col;
        const char* beam;
        const char* channel;
        const char* beamAfter;
    };
    for (const Case& c : std::vector<Case>{{1, 0, "1", "3", "1"},    // B1.1
                                           {0, 1, "0", "4", "0"},    // A2.0
                                           {1, 1, "1", "7", "1"},    // B2.1
                                           {1, 1, "2", "0", "0"},    // no beam 2: back to A1, beam 0
                                           {0, 0, "0.6", "1", "0.6"}}) {  // beam rounded
        w().Combofila->setCurrentIndex(c.row);
        w().Combocol->setCurrentIndex(c.col);
        w().txtsub->setText(c.beam);
        w().Combocol_Click();
        EXPECT_EQ(w().lblcanal->text(), c.channel) << c.row << c.col << c.beam;
        EXPECT_EQ(w().txtsub->text(), c.beamAfter);
        if (std::string(c.channel) == "0") {
            EXPECT_EQ(w().Combofila->currentText(), "A");
            EXPECT_EQ(w().Combocol->currentText(), "1");
        }
    }

    // The group selector lists its channels with their beams.
    w().combogrup->setCurrentIndex(w().combogrup->findText("001", Qt::MatchStartsWith));
    w().combogrup_Click();
    ASSERT_EQ(w().lstgrup->count(), 2);
    EXPECT_EQ(w().lstgrup->item(0)->text(), "B1.0");
    EXPECT_EQ(w().lstgrup->item(1)->text(), "B1.1");
    // A channel label picks its column and its beam.
    w().lstgrup->setCurrentRow(1);
    w().lstgrup_DblClick();
    EXPECT_EQ(w().Combofila->currentIndex(), 1);
    EXPECT_EQ(w().Combocol->currentIndex(), 0);
    EXPECT_EQ(w().txtsub->text(), "1");
    EXPECT_EQ(w().lblcanal->text(), "3");
    EXPECT_EQ(w().m_view_mode, 1);

    // Enter with no item chosen does nothing; Enter on an item picks it.
    w().lstgrup->clear();
    w().lstgrup->addItem("A2.1");
    w().lstgrup->setCurrentRow(-1);
    w().lstgrup_KeyPress(13);
    EXPECT_EQ(w().lblcanal->text(), "3");
    w().lstgrup->setCurrentRow(0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w().lstgrup, &enter);
    EXPECT_EQ(w().lblcanal->text(), "5");
    EXPECT_EQ(w().Combocol->currentText(), "2");
}

TEST_F(RawWindowTest, AnalyzeDrawsOverThePageAndResetsAThresholdOutOfRange) {
    OpenRecording();
    // Before the view has a page, Analyze only sets the captions and mode.
    const QImage bars = w().Picreal->Image();
    w().Cmd_analyze->click();
    EXPECT_EQ(w().m_view_mode, 1);
    EXPECT_EQ(w().Picreal->Image(), bars);

    w().cmdchannels->click();
    const int red = Count(kRed), grey = Count(kGrey);
    struct Case {
        const char* typed;
        const char* shown;
    };
    for (const Case& c : std::vector<Case>{{"6.01", "1.8"}, {"", "1.8"}, {"2,5", "2,5"}, {"1.1", "1.1"}}) {
        w().frmtxt_threshold->setText(c.typed);
        w().Cmd_analyze->click();
        EXPECT_EQ(w().frmtxt_threshold->text(), c.shown) << c.typed;
    }
    EXPECT_GT(Count(kGrey), grey);    // the detection lines
    EXPECT_GT(Count(kRed), red / 2);  // drawn over, not cleared
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    w().grab().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_raw_view_window.png");
#endif
}

TEST_F(RawWindowTest, WindowsOfAnotherLengthAreNotShown) {
    WriteProject(800);
    OpenRecording();
    boxes.ExpectMessage("Raw view needs windows of 500 to 502 samples");
    const QImage bars = w().Picreal->Image();
    w().cmdchannels->click();
    EXPECT_EQ(w().Picreal->Image(), bars);
    EXPECT_FALSE(w().scrollpage->isVisibleTo(&w()));
    w().Cmd_analyze->click();
    EXPECT_EQ(w().Picreal->Image(), bars);
}

TEST_F(RawWindowTest, ExportToAsciiWritesThePageOfTheWell) {
    OpenRecording();
    // Outside the channel view nothing is written.
    w().asciiexporta->trigger();
    EXPECT_FALSE(home.Exists("datafile.txt"));

    w().cmdchannels->click();
    w().scrollpage->setValue(2);
    w().asciiexporta->trigger();
    ASSERT_TRUE(home.Exists("datafile.txt"));
    ASSERT_EQ(opener.opened, std::vector<std::string>{home / "datafile.txt"});
    const auto lines = platform::SplitLines(home.Read("datafile.txt"));
    ASSERT_EQ(lines.size(), 6u + 14 * 500);
    EXPECT_EQ(lines[0], "\"Larvae\"");
    EXPECT_EQ(lines[1], "\"" + (home / folder) + "\"");
    EXPECT_EQ(lines[3], "Well: A1 Page[2/2] [#27.5k-55k]");
    EXPECT_EQ(lines[5], "A1.0 A1.1 ");
    EXPECT_EQ(lines[6], std::to_string(1000 + 10 * 5) + " 600 ");  // window 55, sample 0
    EXPECT_EQ(lines[6 + 150], "0 600 ");

    // A file that cannot be written is told and nothing opens.
    std::filesystem::remove(home / "datafile.txt");
    platform::MakeFolder(home / "datafile.txt");
    boxes.ExpectMessage("Error writing " + (home / "datafile.txt"));
    w().asciiexporta->trigger();
    EXPECT_EQ(opener.opened.size(), 1u);
}

}  // namespace
}  // namespace vondrel::testing
