// The program's entry point.
#include <cstdio>

#include "platform/Files.h"
#include "platform/ProgramFolder.h"

int main(int, char** argv) {
    vondrel::platform::InitProgramFolder(argv[0]);
    const std::string& home = vondrel::platform::ProgramFolder();
    if (!vondrel::platform::FileExists(vondrel::platform::JoinPath(home, "config.dat"))) {
        std::fprintf(stderr, "Config file not found: Check correct software installation\n");
        return 1;
    }
    std::printf("Program folder ready: %s\n", home.c_str());
    return 0;
}
