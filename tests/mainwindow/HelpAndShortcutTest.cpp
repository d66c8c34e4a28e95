// The help menu, the shortcut file, the hidden popup menu and the lapse
// label after start-up.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RecordingOpener.h"
#include "WindowFixture.h"
#include "platform/Desktop.h"

namespace vondrel {
namespace {

namespace fs = std::filesystem;
using testing::RecordingOpener;

class HelpAndShortcut : public testing::WindowTest {
protected:
    void SetUp() override { platform::SetDesktopOpener(&opener); }
    void TearDown() override { platform::SetDesktopOpener(nullptr); }
    RecordingOpener opener;
};

TEST_F(HelpAndShortcut, HelpOpensTheProgramFoldersFileOrSaysWhatIsWrong) {
    const std::string help = (fs::path(home.Path()) / "qvr_help.pdf").string();
    // Missing: printed from the built-in guide, then opened.
    FrmMain().mncontent->trigger();
    EXPECT_EQ(opener.opened, std::vector<std::string>{help});
    std::string head(4, '\0');
    std::ifstream(help, std::ios::binary).read(head.data(), 4);
    EXPECT_EQ(head, "%PDF");
    EXPECT_GT(fs::file_size(help), 2000u);

    // Present: opened as it is.
    opener.opened.clear();
    std::ofstream(help) << "%PDF-1.4\n";
    FrmMain().mncontent->trigger();
    EXPECT_EQ(opener.opened, std::vector<std::string>{help});
    EXPECT_EQ(fs::file_size(help), 9u);

    opener.ok = false;
    boxes.ExpectMessage("The help file " + help + " could not be opened with the desktop's viewer.");
    FrmMain().mncontent_Click();
    EXPECT_TRUE(boxes.Done());

    // Neither there nor writable (a folder stands under its name): told with
    // the path looked at; nothing is opened.
    fs::remove(help);
    fs::create_directory(help);
    opener.ok = true;
    opener.opened.clear();
    boxes.ExpectMessage("Help file not found: " + help);
    FrmMain().mncontent->trigger();
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_TRUE(boxes.Done());
}

TEST_F(HelpAndShortcut, ShortcutFileInTheProgramsOrDesktopFolder) {
    const std::string data = (fs::path(home.Path()) / "xdg-data").string();
    const std::string userHome = (fs::path(home.Path()) / "user").string();
    const QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldHome = qgetenv("HOME"),
                     oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
    qputenv("HOME", QByteArray::fromStdString(userHome));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(userHome + "/.config"));
    auto read = [](const std::string& p) {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    const std::string programs =
        FrmMain().Create_ShortCut("/opt/lab app/vondrel", "/run", "Programs", "Vondrel", "/opt/lab app", 1, 0);
    EXPECT_EQ(programs, data + "/applications/Vondrel.desktop");
    EXPECT_EQ(read(programs),
              "[Desktop Entry]\nType=Application\nName=Vondrel\nExec=\"/opt/lab app/vondrel\" /run\n"
              "Path=/opt/lab app\nIcon=/opt/lab app/vondrel\nTerminal=false\n");
    const std::string desktop = FrmMain().Create_ShortCut("/opt/v", "", "Desktop", "V", "/opt", 1, 0);
    EXPECT_EQ(desktop, userHome + "/Desktop/V.desktop");
    EXPECT_NE(read(desktop).find("\nExec=/opt/v\n"), std::string::npos);

    EXPECT_THROW(FrmMain().Create_ShortCut("/opt/v", "", "StartUp", "V", "/opt", 1, 0), std::exception);
    // A data folder that is a file: nothing can be written there.
    const std::string blocker = (fs::path(home.Path()) / "blocker").string();
    std::ofstream(blocker) << "x";
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(blocker));
    EXPECT_THROW(FrmMain().Create_ShortCut("/opt/v", "", "Programs", "V", "/opt", 1, 0), std::exception);

    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("XDG_DATA_HOME", oldData);
    restore("HOME", oldHome);
    restore("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(HelpAndShortcut, PopupMenuStaysOutOfTheMenuBarAndTheLapseShowsAtStartUp) {
    Prepare();
    ASSERT_TRUE(Start());
    Frm_Main& main = FrmMain();
    EXPECT_FALSE(main.menuBar()->actions().contains(main.mnMenuhide->menuAction()));
    EXPECT_TRUE(main.menuBar()->actions().contains(main.mnhelp->menuAction()));
    EXPECT_EQ(main.mn_ascii->text().toStdString(), "Export ASCII");
    EXPECT_EQ(main.txt_acqlapse->text().toStdString(), std::to_string(g_acq_lapse));
    EXPECT_FALSE(main.lbl_torun->isHidden());
}

}  // namespace
}  // namespace vondrel
