#include "DecimalCommaLocale.h"

#include <locale.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace vondrel::testing {

namespace {

constexpr const char* kLocale = "de_DE.UTF-8";

std::optional<std::string> Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
}

// The compiled locale in the build's locale folder; made there once, in a
// folder of this process first so that tests running side by side never see
// half of it.
std::string GeneratedLocaleFolder(std::string& problem) {
    const fs::path folder = VONDREL_TEST_LOCALE_DIR;
    std::error_code ec;
    if (fs::exists(folder / kLocale / "LC_NUMERIC", ec)) return folder.string();
    const fs::path scratch = folder / ("making-" + std::to_string(getpid()));
    fs::create_directories(scratch, ec);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (scratch / kLocale).string() + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (fs::exists(scratch / kLocale / "LC_NUMERIC", ec)) fs::rename(scratch / kLocale, folder / kLocale, ec);
    fs::remove_all(scratch, ec);
    if (fs::exists(folder / kLocale / "LC_NUMERIC", ec)) return folder.string();
    problem = "localedef could not make " + std::string(kLocale) + " (status " + std::to_string(status) +
              "; the package 'locales' provides it)";
    return "";
}

}  // namespace

DecimalCommaLocale::DecimalCommaLocale() {
    previousLocale_ = setlocale(LC_ALL, nullptr);
    previousLocpath_ = Env("LOCPATH");
    previousLcAll_ = Env("LC_ALL");
    const std::string folder = GeneratedLocaleFolder(problem_);
    if (folder.empty()) return;
    setenv("LOCPATH", folder.c_str(), 1);
    setenv("LC_ALL", kLocale, 1);
    if (!setlocale(LC_ALL, "")) {
        problem_ = std::string("the C library refused ") + kLocale + " from " + folder;
    } else if (std::string(localeconv()->decimal_point) != ",") {
        problem_ = std::string(kLocale) + " has no decimal comma";
    } else {
        active_ = true;
        return;
    }
    setlocale(LC_ALL, previousLocale_.c_str());
    RestoreEnv("LOCPATH", previousLocpath_);
    RestoreEnv("LC_ALL", previousLcAll_);
}

DecimalCommaLocale::~DecimalCommaLocale() {
    if (!active_) return;
    setlocale(LC_ALL, previousLocale_.c_str());
    RestoreEnv("LOCPATH", previousLocpath_);
    RestoreEnv("LC_ALL", previousLcAll_);
}

}  // namespace vondrel::testing
