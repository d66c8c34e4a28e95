#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace vondrel::platform {

namespace {
std::string& Folder() {
    static std::string folder;
    return folder;
}

std::string Trimmed(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string ExecutableFolder(const char* argv0) {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        if (!argv0) return fs::current_path(ec).string();
        exe = fs::absolute(argv0, ec);
    }
    return exe.parent_path().string();
}
}  // namespace

void InitProgramFolder(const char* argv0) {
    const char* home = std::getenv("VONDREL_HOME");
    if (home && *home) {
        std::error_code ec;
        fs::path p = fs::absolute(home, ec);
        Folder() = Trimmed(ec ? std::string(home) : p.lexically_normal().string());
    } else {
        Folder() = Trimmed(ExecutableFolder(argv0));
    }
}

const std::string& ProgramFolder() {
    if (Folder().empty()) InitProgramFolder(nullptr);
    return Folder();
}

void SetProgramFolderForTest(const std::string& folder) { Folder() = Trimmed(folder); }

}  // namespace vondrel::platform
