#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <cerrno>
#include <cstdio>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Numbers.h"

namespace fs = std::filesystem;

namespace vondrel::platform {

namespace {

// Code points of bytes 0x80..0x9F in Windows-1252. The five bytes the code
// page leaves undefined map to the C1 control of the same value, as Windows
// itself does, so every byte survives a round trip.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b < 0x80) out += static_cast<char>(b);
        else if (b < 0xA0) AppendUtf8(out, kHigh[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out += '?'; ++i; continue; }
        if (i + len > s.size()) { out += '?'; break; }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { out += '?'; ++i; continue; }
        out += CodePointToCp1252(cp);
        i += len;
    }
    return out;
}

std::optional<std::string> ReadBinaryFile(const std::string& path) {
    // The size first, then reads into a buffer of that size (a file that
    // grows meanwhile is read on to its end, one that shrinks keeps what was
    // there).
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    for (;;) {
        if (got == data.size()) {
            // The end is checked with a small read of its own: growing the
            // buffer for it would copy the whole file once more.
            char more[4096];
            const ssize_t r = ::read(fd, more, sizeof more);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) {
                ::close(fd);
                return std::nullopt;
            }
            if (r == 0) break;
            data.append(more, static_cast<size_t>(r));
            got = data.size();
            continue;
        }
        const ssize_t r = ::read(fd, data.data() + got, data.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    data.resize(got);
    return data;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    auto bytes = ReadBinaryFile(path);
    if (!bytes) return std::nullopt;
    return Cp1252ToUtf8(*bytes);
}

namespace {
bool WriteBytes(const std::string& path, std::string_view bytes, std::ios::openmode mode) {
    std::ofstream out(path, std::ios::binary | mode);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}
}  // namespace

bool WriteTextFile(const std::string& path, std::string_view utf8) {
    return WriteBytes(path, Utf8ToCp1252(utf8), std::ios::trunc);
}

bool WriteTextFileInPieces(const std::string& path, const std::function<void(const TextPieces&)>& make) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    constexpr size_t kWindow = 1 << 16;
    std::string held;
    held.reserve(2 * kWindow);
    // The held text is converted up to a place after three ASCII bytes: a
    // character of up to four bytes never reaches past it, so the pieces
    // convert as the whole text would.
    auto convertUpTo = [&](size_t cut) {
        const std::string bytes = Utf8ToCp1252(std::string_view(held).substr(0, cut));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        held.erase(0, cut);
    };
    make([&](std::string_view piece) {
        held.append(piece);
        if (held.size() < kWindow) return;
        size_t cut = held.size();
        while (cut >= 3 && !(static_cast<unsigned char>(held[cut - 1]) < 0x80 &&
                             static_cast<unsigned char>(held[cut - 2]) < 0x80 &&
                             static_cast<unsigned char>(held[cut - 3]) < 0x80))
            --cut;
        if (cut >= 3) convertUpTo(cut);
    });
    convertUpTo(held.size());
    out.flush();
    return static_cast<bool>(out);
}

namespace {
std::function<bool(std::string_view)>& ReplaceFault() {
    static std::function<bool(std::string_view)> hook;
    return hook;
}
bool StepAllowed(std::string_view step) { return !ReplaceFault() || ReplaceFault()(step); }
}  // namespace

void SetReplaceFaultForTest(std::function<bool(std::string_view step)> hook) { ReplaceFault() = std::move(hook); }

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // The first failure's errno is what the caller sees; a step the test seam
    // fails reads as a full disk.
    int error = 0;
    auto fail = [&error](int e) {
        if (error == 0) error = e;
        return false;
    };
    bool ok = true;
    size_t half = bytes.size() / 2, done = 0;
    while (ok && done < bytes.size()) {
        if (done >= half && !StepAllowed("write")) {
            ok = fail(ENOSPC);
            break;
        }
        size_t chunk = done < half ? half - done : bytes.size() - done;
        ssize_t n = ::write(fd, bytes.data() + done, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = fail(n < 0 ? errno : ENOSPC);
        else done += static_cast<size_t>(n);
    }
    if (ok && bytes.empty() && !StepAllowed("write")) ok = fail(ENOSPC);
    if (ok && !StepAllowed("sync")) ok = fail(ENOSPC);
    if (ok && ::fsync(fd) != 0) ok = fail(errno);
    // mkstemp makes the file readable by its owner alone; give it the usual mode.
    if (ok) ::fchmod(fd, 0644);
    if (::close(fd) != 0 && ok) ok = fail(errno);
    if (ok && !StepAllowed("rename")) ok = fail(ENOSPC);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = fail(errno);
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error;
    }
    return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (!StepAllowed("rename")) {
        errno = ENOSPC;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SyncFolder(const std::string& folder) {
    if (!StepAllowed("sync")) {
        errno = ENOSPC;
        return false;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    const int e = errno;
    ::close(fd);
    errno = e;
    return ok;
}

bool ReplaceTextFile(const std::string& path, std::string_view utf8) { return ReplaceFile(path, Utf8ToCp1252(utf8)); }

bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // File systems without the no-replace flag: check first.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool AppendTextFile(const std::string& path, std::string_view utf8) {
    return WriteBytes(path, Utf8ToCp1252(utf8), std::ios::app);
}

bool AppendBinaryFile(const std::string& path, const void* data, size_t size) {
    return WriteBytes(path, std::string_view(static_cast<const char*>(data), size), std::ios::app);
}

std::optional<FileBytes> FileBytes::Open(const std::string& path, size_t window) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return FileBytes(fd, window > 0 ? window : 1);
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : fd_(other.fd_), window_(other.window_), data_(std::move(other.data_)), start_(other.start_), failed_(other.failed_) {
    other.fd_ = -1;
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        window_ = other.window_;
        data_ = std::move(other.data_);
        start_ = other.start_;
        failed_ = other.failed_;
        other.fd_ = -1;
    }
    return *this;
}

FileBytes::~FileBytes() {
    if (fd_ >= 0) ::close(fd_);
}

int FileBytes::Load(uint64_t pos) {
    if (failed_ || fd_ < 0) return -1;
    data_.resize(window_);
    // A read may return less than asked before the end of the file (a
    // network file system, a signal): read on until the window is full or
    // the file ends, so that a short read is never taken for the end.
    size_t got = 0;
    while (got < window_) {
        const ssize_t r = ::pread(fd_, data_.data() + got, window_ - got, static_cast<off_t>(pos + got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            failed_ = true;
            break;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    data_.resize(failed_ ? 0 : got);
    start_ = pos;
    return data_.empty() ? -1 : static_cast<unsigned char>(data_[0]);
}

std::optional<LineReader> LineReader::Open(const std::string& path, size_t window) {
    auto bytes = FileBytes::Open(path, window);
    if (!bytes) return std::nullopt;
    return LineReader(std::move(*bytes));
}

bool LineReader::Next(std::string& line) {
    line.clear();
    int c = bytes_.At(pos_);
    if (c < 0) return false;
    std::string raw;
    for (; c >= 0 && c != '\r' && c != '\n'; c = bytes_.At(++pos_)) raw += static_cast<char>(c);
    if (c == '\r' && bytes_.At(pos_ + 1) == '\n') ++pos_;
    if (c >= 0) ++pos_;
    if (bytes_.Failed()) return false;
    line = Cp1252ToUtf8(raw);
    return true;
}

std::optional<size_t> CountLines(const std::string& path, size_t limit) {
    auto bytes = FileBytes::Open(path);
    if (!bytes) return std::nullopt;
    size_t lines = 0;
    bool open = false;  // characters after the last line end
    for (uint64_t p = 0;; ++p) {
        const int c = bytes->At(p);
        if (c < 0) break;
        if (c != '\r' && c != '\n') {
            open = true;
            continue;
        }
        if (c == '\r' && bytes->At(p + 1) == '\n') ++p;
        open = false;
        if (++lines > limit) return lines;
    }
    if (bytes->Failed()) return std::nullopt;
    return lines + (open ? 1 : 0);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool MakeFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directory(path, ec);
    return FolderExists(path);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.remove_prefix(1);
    if (!out.empty() && out.back() != '/') out += '/';
    out += name;
    return out;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string FindFileNoCase(const std::string& folder, std::string_view name) {
    std::string exact = JoinPath(folder, name);
    if (FileExists(exact)) return exact;
    auto lower = [](std::string_view s) {
        std::string r(s);
        for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return r;
    };
    std::string want = lower(name);
    for (const auto& entry : ListFolder(folder)) {
        if (lower(entry) == want && FileExists(JoinPath(folder, entry))) return JoinPath(folder, entry);
    }
    return "";
}

int32_t FreeDiskMegabytes(const std::string& path) {
    std::error_code ec;
    auto info = fs::space(path, ec);
    if (ec) return 0;
    double mb = RoundHalfEven(static_cast<double>(info.available) / 1024.0 / 1024.0);
    if (mb > 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(mb);
}

}  // namespace vondrel::platform
