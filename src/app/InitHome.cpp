// Prepares a program folder for a first start: writes every file of a fresh
// install that is missing (config.dat, the default project, calvalue.dat,
// repoconf.dat and the plate maps). Existing files are kept.
//
// Usage: vondrel-init-home [FOLDER]   (default: $VONDREL_HOME)
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/ProgramFolder.h"
#include "store/FreshFolder.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    vondrel::platform::InitProgramFolder(argv[0]);
    if (argc > 1) vondrel::platform::SetProgramFolderForTest(fs::absolute(argv[1]).string());
    const std::string& home = vondrel::platform::ProgramFolder();
    std::error_code ec;
    fs::create_directories(home, ec);
    if (ec) {
        std::fprintf(stderr, "Cannot create the program folder %s: %s\n", home.c_str(), ec.message().c_str());
        return 1;
    }
    auto written = vondrel::PrepareProgramFolder();
    if (written.empty()) std::printf("Program folder %s is complete.\n", home.c_str());
    else std::printf("Program folder %s prepared: %zu files written.\n", home.c_str(), written.size());
    return 0;
}
