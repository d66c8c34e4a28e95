#include "reports/Zip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"

namespace fs = std::filesystem;

namespace vondrel::reports {
namespace {

std::function<bool(std::string_view)>& ZipFault() {
    static std::function<bool(std::string_view)> hook;
    return hook;
}
bool StepAllowed(std::string_view step) { return !ZipFault() || ZipFault()(step); }

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The archive under its temporary name: written through a buffer, removed
// unless Commit renamed it to the final name.
class ArchiveFile {
public:
    explicit ArchiveFile(const std::string& finalPath) : final_(finalPath) {
        const fs::path p(finalPath);
        const std::string dir = p.has_parent_path() ? p.parent_path().string() : std::string(".");
        temp_ = platform::JoinPath(dir, "." + p.filename().string() + ".tmp-XXXXXX");
        fd_ = ::mkstemp(temp_.data());
        if (fd_ < 0) ThrowFileError(errno, finalPath);
        buffer_.reserve(kFlushAt + 4096);
    }
    ~ArchiveFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(temp_.c_str());
    }
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    uint64_t Length() const { return written_ + buffer_.size(); }
    std::string& Buffer() { return buffer_; }
    void Append(std::string_view bytes) {
        if (bytes.size() >= kFlushAt) {
            Flush();
            WriteAll(bytes);
            return;
        }
        buffer_.append(bytes);
        if (buffer_.size() >= kFlushAt) Flush();
    }
    void Flush() {
        WriteAll(buffer_);
        buffer_.clear();
    }
    // Rewrites four bytes already appended at `pos`.
    void Patch32(uint64_t pos, uint32_t v) {
        std::string b;
        Put32(b, v);
        if (pos >= written_) {
            buffer_.replace(pos - written_, 4, b);
            return;
        }
        if (::pwrite(fd_, b.data(), 4, static_cast<off_t>(pos)) != 4) ThrowFileError(errno ? errno : EIO, final_);
    }
    void Commit() {
        Flush();
        if (::fsync(fd_) != 0) ThrowFileError(errno, final_);
        // mkstemp makes the file readable by its owner alone; give it the usual mode.
        ::fchmod(fd_, 0644);
        const int rc = ::close(fd_);
        fd_ = -1;
        if (rc != 0) ThrowFileError(errno, final_);
        if (!StepAllowed("rename")) ThrowFileError(EIO, final_);
        if (::rename(temp_.c_str(), final_.c_str()) != 0) ThrowFileError(errno, final_);
        committed_ = true;
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    void WriteAll(std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ThrowFileError(n < 0 ? errno : EIO, final_);
            done += static_cast<size_t>(n);
        }
        written_ += bytes.size();
    }

    std::string final_, temp_;
    int fd_ = -1;
    std::string buffer_;
    uint64_t written_ = 0;
    bool committed_ = false;
};

struct Entry {
    std::string name;
    uint32_t crc = 0;
    uint32_t size = 0;
    uint32_t offset = 0;
};

// Fields shared by the local and the central header, from "version needed" to
// the name length.
void PutCommonFields(std::string& out, const Entry& e, uint16_t dosTime, uint16_t dosDate) {
    Put16(out, 20);      // version needed to extract
    Put16(out, 0x0800);  // names are UTF-8
    Put16(out, 0);       // stored
    Put16(out, dosTime);
    Put16(out, dosDate);
    Put32(out, e.crc);
    Put32(out, e.size);  // compressed size
    Put32(out, e.size);  // uncompressed size
    Put16(out, static_cast<uint32_t>(e.name.size()));
}

// Fails before anything is written when the files cannot fit the format.
void CheckLimits(const std::vector<std::string>& files, size_t folderPrefix, const std::string& archivePath) {
    if (files.size() > kZipMaxEntries)
        throw WorkbookError(EFBIG, std::to_string(files.size()) + " files are more than an archive holds (" +
                                       std::to_string(kZipMaxEntries) + "): " + archivePath);
    uint64_t total = 22;
    for (const auto& f : files) {
        std::error_code ec;
        const uint64_t size = fs::file_size(f, ec);
        if (ec) ThrowFileError(ec.value(), f);
        const uint64_t name = f.size() - folderPrefix;
        if (name > 0xFFFF) throw WorkbookError(ENAMETOOLONG, "name too long for an archive: " + f);
        total += 30 + name + size + 46 + name;
    }
    if (total > kZipMaxBytes)
        throw WorkbookError(EFBIG, "the archive would exceed 4 GiB: " + archivePath);
}

}  // namespace

void ThrowFileError(int err, const std::string& path, const std::string& source) {
    throw WorkbookError(err, std::generic_category().message(err) + ": " + path, source);
}

void SetZipFaultForTest(std::function<bool(std::string_view step)> hook) { ZipFault() = std::move(hook); }

std::string StripTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

bool XlsxFileExists(const std::string& path) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

std::string ReadFileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowFileError(errno, path);
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            ThrowFileError(err, path);
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::string EncodeUtf8(std::string_view text) { return std::string(text); }

uint16_t PackDosTime(const platform::LocalTime& t) {
    return static_cast<uint16_t>(((t.hour & 0x1F) << 11) | ((t.minute & 0x3F) << 5) | ((t.second / 2) & 0x1F));
}

uint16_t PackDosDate(const platform::LocalTime& t) {
    const int year = std::clamp(t.year, 1980, 2107);
    return static_cast<uint16_t>(((year - 1980) << 9) | ((t.month & 0x0F) << 5) | (t.day & 0x1F));
}

// zlib's crc32_z is this very CRC with its own tables; the program keeps no table.
uint32_t ComputeCrc32(std::string_view bytes) {
    if (bytes.empty()) return 0;
    return static_cast<uint32_t>(
        crc32_z(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<z_size_t>(bytes.size())));
}

void CollectFilesRecursive(const std::string& folder, std::vector<std::string>& files) {
    std::vector<std::string> folders;
    for (const auto& name : platform::ListFolder(folder)) {
        const std::string path = platform::JoinPath(folder, name);
        std::error_code ec;
        const auto st = fs::symlink_status(path, ec);
        if (ec) continue;  // an entry that cannot be asked about is skipped
        if (fs::is_regular_file(st)) files.push_back(path);
        else if (fs::is_directory(st)) folders.push_back(path);
    }
    for (const auto& sub : folders) CollectFilesRecursive(sub, files);
}

std::vector<std::string> ListFilesRecursive(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec)) || ec) return files;
    CollectFilesRecursive(folder, files);
    return files;
}

void ZipFolderStored(const std::string& folderPath, const std::string& archivePath) {
    const std::string folder = StripTrailingBackslash(folderPath);
    const std::vector<std::string> files = ListFilesRecursive(folder);
    const size_t prefix = folder.size() + 1;
    CheckLimits(files, prefix, archivePath);
    // An old archive goes (a read-only one too: removing needs no write permission on it).
    if (XlsxFileExists(archivePath)) ::unlink(archivePath.c_str());
    if (files.empty()) return;

    const platform::LocalTime now = platform::ToLocal(platform::Now());
    const uint16_t dosTime = PackDosTime(now), dosDate = PackDosDate(now);
    ArchiveFile out(archivePath);
    std::vector<Entry> entries;
    entries.reserve(files.size());
    std::string chunk(1 << 20, '\0');
    for (const auto& file : files) {
        Entry e;
        e.name = EncodeUtf8(std::string_view(file).substr(prefix));
        // The header goes out first; its CRC and sizes are filled in once the
        // data has passed through, a piece at a time.
        const uint64_t offset = out.Length();
        e.offset = static_cast<uint32_t>(offset);
        std::string& h = out.Buffer();
        Put32(h, 0x04034B50);
        PutCommonFields(h, e, dosTime, dosDate);
        Put16(h, 0);  // extra field length
        out.Append(e.name);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) ThrowFileError(errno, file);
        uint64_t size = 0;
        uLong crc = crc32_z(0L, Z_NULL, 0);
        for (;;) {
            const ssize_t n = ::read(fd, chunk.data(), chunk.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int err = errno;
                ::close(fd);
                ThrowFileError(err, file);
            }
            if (n == 0) break;
            size += static_cast<uint64_t>(n);
            // A file that grew since the limits were checked must not wrap a field.
            if (out.Length() + static_cast<uint64_t>(n) > kZipMaxBytes) {
                ::close(fd);
                throw WorkbookError(EFBIG, "the archive would exceed 4 GiB: " + archivePath);
            }
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<z_size_t>(n));
            out.Append(std::string_view(chunk.data(), static_cast<size_t>(n)));
        }
        ::close(fd);
        e.crc = static_cast<uint32_t>(crc);
        e.size = static_cast<uint32_t>(size);
        out.Patch32(offset + 14, e.crc);
        out.Patch32(offset + 18, e.size);
        out.Patch32(offset + 22, e.size);
        if (!StepAllowed("entry")) ThrowFileError(EIO, archivePath);
        entries.push_back(std::move(e));
    }
    const uint64_t directory = out.Length();
    for (const auto& e : entries) {
        std::string& h = out.Buffer();
        Put32(h, 0x02014B50);
        Put16(h, 20);  // version made by
        PutCommonFields(h, e, dosTime, dosDate);
        Put16(h, 0);  // extra field length
        Put16(h, 0);  // comment length
        Put16(h, 0);  // disk number start
        Put16(h, 0);  // internal attributes
        Put32(h, 0);  // external attributes
        Put32(h, e.offset);
        out.Append(e.name);
    }
    const uint64_t end = out.Length();
    if (end + 22 > kZipMaxBytes) throw WorkbookError(EFBIG, "the archive would exceed 4 GiB: " + archivePath);
    std::string& h = out.Buffer();
    Put32(h, 0x06054B50);
    Put16(h, 0);
    Put16(h, 0);
    Put16(h, static_cast<uint32_t>(entries.size()));
    Put16(h, static_cast<uint32_t>(entries.size()));
    Put32(h, static_cast<uint32_t>(end - directory));
    Put32(h, static_cast<uint32_t>(directory));
    Put16(h, 0);  // comment length
    out.Commit();
}

}  // namespace vondrel::reports
