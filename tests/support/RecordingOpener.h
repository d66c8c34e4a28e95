// A desktop opener for tests: records each path it is asked to open and
// answers `ok` (true unless a test sets it false), opening nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace vondrel::testing {

class RecordingOpener final : public platform::DesktopOpener {
public:
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return ok;
    }
    std::vector<std::string> opened;
    bool ok = true;
};

}  // namespace vondrel::testing
