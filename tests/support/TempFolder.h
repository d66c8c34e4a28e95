// A fresh temporary folder for one test, removed afterwards.
#pragma once

#include <string>
#include <string_view>

namespace vondrel::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const;

    // Writes raw bytes to a file below the folder (creating sub-folders).
    void Write(std::string_view name, std::string_view bytes) const;
    // Reads raw bytes; "" when missing.
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;

private:
    std::string path_;
};

// Joins lines with CR LF, each line ended.
std::string CrLf(std::initializer_list<std::string_view> lines);

}  // namespace vondrel::testing
