// Prepares a program folder for a first start: writes every file of a fresh
// install that is missing (config.dat, the default project, calvalue.dat,
// repoconf.dat, the plate maps and the help file qvr_help.pdf, printed from
// the user guide built into the program). Existing files are kept.
//
// With --demo-project, a NEW program folder (one without config.dat) also
// gets project 1 "Demo", made as the setup window's "New..." makes a
// project, and current in config.dat, so that a first run records at once.
//
// Usage: vondrel-init-home [--demo-project] [FOLDER]   (default: $VONDREL_HOME)
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "mainwindow/HelpGuide.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "store/FreshFolder.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    bool demo = false;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo-project") == 0) {
            demo = true;
        } else if (argv[i][0] == '-' || folder) {
            std::fprintf(stderr, "Usage: %s [--demo-project] [FOLDER]\n", argv[0]);
            return 2;
        } else {
            folder = argv[i];
        }
    }
    vondrel::platform::InitProgramFolder(argv[0]);
    if (folder) vondrel::platform::SetProgramFolderForTest(fs::absolute(folder).string());
    const std::string& home = vondrel::platform::ProgramFolder();
    std::error_code ec;
    fs::create_directories(home, ec);
    if (ec) {
        std::fprintf(stderr, "Cannot create the program folder %s: %s\n", home.c_str(), ec.message().c_str());
        return 1;
    }
    const bool isNew = !vondrel::platform::FileExists(vondrel::platform::JoinPath(home, "config.dat"));
    auto written = vondrel::PrepareProgramFolder();
    const std::string help = vondrel::platform::JoinPath(home, vondrel::kHelpFileName);
    if (!vondrel::platform::FileExists(help)) {
        // Printing the guide needs fonts, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        if (vondrel::WriteHelpPdf(help)) written.push_back(help);
        else std::fprintf(stderr, "The help file %s could not be written.\n", help.c_str());
    }
    if (written.empty()) std::printf("Program folder %s is complete.\n", home.c_str());
    else std::printf("Program folder %s prepared: %zu files written.\n", home.c_str(), written.size());
    if (demo && isNew && vondrel::platform::FolderExists(vondrel::platform::JoinPath(home, "p00001"))) {
        std::printf("Project 1 is not made: %s/p00001 exists already.\n", home.c_str());
    } else if (demo && isNew) {
        if (!vondrel::CreateDemoProject()) {
            std::fprintf(stderr, "Project 1 \"%s\" could not be made in %s.\n", vondrel::kDemoProjectName, home.c_str());
            return 1;
        }
        std::printf("Project 1 \"%s\" made and current.\n", vondrel::kDemoProjectName);
    }
    return 0;
}
