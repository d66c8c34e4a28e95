// Shared set-up of the fuzz targets: boxes answered silently, and a program
// folder of the fuzzer's own.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

namespace vondrel::fuzz {

class SilentDialogs final : public platform::Dialogs {
public:
    platform::Reply Message(const std::string&, platform::Buttons, const std::string&) override {
        return platform::Reply::Ok;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

// Installs the silent boxes and a temporary program folder; returns its path.
inline const std::string& FuzzHome() {
    static const std::string home = [] {
        static SilentDialogs dialogs;
        platform::SetDialogs(&dialogs);
        std::string pattern = "/tmp/vondrel-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        platform::SetProgramFolderForTest(pattern);
        return pattern;
    }();
    return home;
}

}  // namespace vondrel::fuzz
