#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vondrel::testing {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vondrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempFolder::operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

void TempFolder::Write(std::string_view name, std::string_view bytes) const {
    fs::path p = fs::path(path_) / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::Read(std::string_view name) const {
    std::ifstream in(fs::path(path_) / name, std::ios::binary);
    if (!in) return "";
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(std::string_view name) const { return fs::exists(fs::path(path_) / name); }

std::string CrLf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

}  // namespace vondrel::testing
