// Every caption of the browser window fits its control and no two controls
// meet, in each of its views, at the window's opening size and on the usual
// desktops; a picture of each view at 1366 x 768 goes to the screenshots
// folder.
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>

#include "LayoutCheck.h"
#include "RecordingOpener.h"
#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "browser/BrowserWindow.h"
#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Locale.h"
#include "store/RunFiles.h"

namespace vondrel::testing {
namespace {

// One raw window of the run: every channel at 300.
std::string Block() {
    const std::vector<int16_t> v(501 * 385, 300);
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2);
}

std::string Counts(int records) {
    std::string out;
    for (int r = 0; r < records; ++r) {
        ChannelTable16 t{};
        for (int c = 0; c < 384; ++c) t[c] = static_cast<int16_t>(c % 7);
        auto b = BuildCountsRecord(r + 1, t);
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

// The controls whose text is smaller than the program's 8-point font (the
// plot pictures draw their own texts and are not controls).
std::string SmallCaptions(const QWidget& window) {
    std::string out;
    for (const QWidget* c : window.findChildren<QWidget*>()) {
        const bool captioned = qobject_cast<const QLabel*>(c) || qobject_cast<const QAbstractButton*>(c) ||
                               qobject_cast<const QComboBox*>(c) || qobject_cast<const QAbstractItemView*>(c) ||
                               qobject_cast<const QLineEdit*>(c) || qobject_cast<const QPlainTextEdit*>(c);
        if (captioned && c->font().pointSizeF() < 8) out += c->objectName().toStdString() + ' ';
    }
    return out;
}

// The controls of the two rounded panels that are not whole inside their
// panel's shape (the panel clips what lies beyond it).
std::string OutsideThePanels(Frm_offline& w) {
    std::string out;
    for (QWidget* panel : {static_cast<QWidget*>(w.PicPanel1), static_cast<QWidget*>(w.PicPanel2)}) {
        const QRegion shape = panel->mask().isEmpty() ? QRegion(panel->rect()) : panel->mask();
        for (QWidget* c : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->isVisibleTo(&w) && !(QRegion(c->geometry()) - shape).isEmpty())
                out += c->objectName().toStdString() + ' ';
    }
    return out;
}

class BrowserWindowFit : public WindowTest {
protected:
    BrowserWindowFit() {
        platform::SetDesktopOpener(&opener);
        platform::SetDecimalSeparatorForTest(".");
        InstallBrowserWindow();
        // Two rows, two columns, two beams a well, in two groups and free wells.
        home.Write("w2b.dat", CrLf({"\"Plate map\",\"w2b\"", "2,39,0,2,35,0", "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                                    "\"A1.1\",0,1", "\"B1.0\",1,0", "\"B1.1\",1,1", "\"A2.0\",2,0", "\"A2.1\",2,1",
                                    "\"B2.0\",3,0", "\"B2.1\",3,1"}));
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
        setup += "00001,\"Larvae\",\"C:\\data\\\",\"w2b\"\r\n\"h\"\r\n1,60,1,500,1,30\r\n";
        setup += "\"h\"\r\n1,0,1,28,0,1\r\n\"h\"\r\n1,2,3,4,5,6\r\n\"h\"\r\n1,1,1,18,0,0\r\n";
        home.Write("p00001/setup.dat", setup);
        home.Write(folder + "/setup.dat", setup);
        for (const char* f : {"status.dat", "threshld.dat", "groups.dat"}) home.Write(folder + "/" + f, "\"h\"\r\n");
        home.Write(folder + "/chgroup.dat", CrLf({"\"h\"", "0,0", "1,0", "2,1", "3,1", "4,-1", "5,-1", "6,-1", "7,-1"}));
        home.Write(folder + "/0.bin", Block());
        home.Write(folder + "/counts.bin", Counts(30));
        home.Write("p00001/tags_id.dat", "20240315_1200 [K1]\r\n");
        // A name as long as the title line shows, to fill the title.
        WriteSubprojectFile(home / folder, "Fit run of the larvae at the second dose", "Protocol of the fit run");
    }
    ~BrowserWindowFit() override {
        UnloadBrowserWindow();
        QCoreApplication::processEvents();
        platform::SetDesktopOpener(nullptr);
    }

    Frm_offline& w() { return FrmOffline(); }
    void OpenRecording() {
        w().Listpj->setCurrentRow(0);
        w().Listpj_DblClick();
        for (int i = 0; i < w().Listpj->count(); ++i)
            if (w().Listpj->item(i)->text().contains("Fit run")) w().Listpj->setCurrentRow(i);
        w().Listpj_DblClick();
        ASSERT_EQ(w().m_selection_folder, "20240315_1200");
    }

    const std::string folder = "p00001/20240315_1200";
    RecordingOpener opener;
};

TEST_F(BrowserWindowFit, EveryView) {
    Hooks().showBrowser();
    QCoreApplication::processEvents();
    const QSize opening = w().size();
    const QString pictures = QStringLiteral(VONDREL_WINDOW_PICTURES);
    // Each view is checked from the window's opening size up.
    auto check = [&](const char* name) {
        SCOPED_TRACE(name);
        w().resize(opening);
        QCoreApplication::processEvents();
        // No designed overlaps and no faults let through: the cloud button,
        // which keeps the tracking button's place, is never shown.
        CheckWindowSizes(w(), {}, {}, pictures, QString::fromLatin1(name));
        EXPECT_EQ(SmallCaptions(w()), "");
        for (const QSize size : {opening, QSize(1366, 768), QSize(1920, 1080)}) {
            w().resize(size);
            QCoreApplication::processEvents();
            EXPECT_EQ(OutsideThePanels(w()), "") << size.width() << "x" << size.height();
        }
        // The smallest the window can be, for the eye.
        w().resize(opening);
        QCoreApplication::processEvents();
        SaveWindowPicture(&w(), pictures, QString::fromLatin1(name) + QStringLiteral("_smallest"));
    };
    check("browser_list");

    OpenRecording();
    w().Cmd_leegroups_Click();
    ASSERT_TRUE(w().lstgrup_plot->isVisibleTo(&w()));
    check("browser_group_activity");
    w().Cmd_gridplot_Click();
    check("browser_plate");
    w().Cmd_lineplot_Click();
    ASSERT_TRUE(w().Frame_bisize->isVisibleTo(&w()));
    check("browser_line");
    w().Cmd_barplot_Click();
    check("browser_bars");
    w().cmd_track_Click();
    ASSERT_EQ(w().m_view_mode, 6);
    check("browser_tracking");

    w().cmdchannels_Click();
    ASSERT_EQ(w().m_view_mode, 1);
    ASSERT_TRUE(w().Combofila->isVisibleTo(&w()));
    check("browser_channel_signal");

    w().Cmd_leegroups_Click();
    w().mn_plateedit_Click();
    ASSERT_TRUE(w().Framegrup->isVisibleTo(&w()));
    check("browser_group_editor");
}

}  // namespace
}  // namespace vondrel::testing
