// Files and folders as the program sees them.
//
// Settings and project files are single-byte (Windows-1252) text with CR LF
// line ends; inside the program every text is UTF-8. The conversion happens
// here and nowhere else. Readers accept CR LF and LF alike.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vondrel::platform {

// Windows-1252 bytes to UTF-8 and back. Characters that the code page cannot
// hold are written as "?".
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8);

// Whole text file, decoded to UTF-8; nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Replaces the file with the given UTF-8 text encoded in Windows-1252.
// The text is written as given: callers put the CR LF line ends in.
bool WriteTextFile(const std::string& path, std::string_view utf8);

// The file WriteTextFile writes, its text made a piece at a time: `make`
// calls its argument with each piece of UTF-8 in order (cut anywhere), and
// the file gets the same bytes as WriteTextFile of the pieces joined, while
// no more than a window of the text is held at a time. An exception of
// `make` goes on to the caller, with the file as far as it was written.
using TextPieces = std::function<void(std::string_view piece)>;
bool WriteTextFileInPieces(const std::string& path, const std::function<void(const TextPieces&)>& make);

// Replaces a file without ever leaving it half-written: the bytes go to a
// temporary file in the same folder, which is flushed, synced and renamed
// over the target. On any failure the target keeps its old bytes, the
// temporary is removed and errno tells the first failure. ReplaceTextFile
// encodes UTF-8 text as WriteTextFile.
bool ReplaceFile(const std::string& path, std::string_view bytes);
bool ReplaceTextFile(const std::string& path, std::string_view utf8);

// Test seam of ReplaceFile: a hook called at "write" (after part of the bytes
// went out), "sync" and "rename"; returning false makes that step fail (errno
// ENOSPC, a full disk). RenameFile and SyncFolder go through it too. An empty
// function removes the hook.
void SetReplaceFaultForTest(std::function<bool(std::string_view step)> hook);

// rename(2) of a file within its folder (an existing target is replaced);
// errno tells why it failed.
bool RenameFile(const std::string& from, const std::string& to);
// Makes the folder's entries (names created, renamed or removed) durable.
bool SyncFolder(const std::string& folder);

// Renames a folder or file, never replacing an existing entry (not even an
// empty folder); false when the target exists or the rename fails.
bool RenameNoReplace(const std::string& from, const std::string& to);

// Appends to a text file (created when missing).
bool AppendTextFile(const std::string& path, std::string_view utf8);

// Raw bytes.
std::optional<std::string> ReadBinaryFile(const std::string& path);
bool AppendBinaryFile(const std::string& path, const void* data, size_t size);

// A file read a piece at a time: any byte by its position, with one window of
// the file in memory (64 KiB unless asked otherwise; tests use tiny windows).
// Readers of settings files go through it, so a file of any size costs them
// no more memory than the window and what they keep.
class FileBytes {
public:
    static std::optional<FileBytes> Open(const std::string& path, size_t window = 1 << 16);
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    // The byte at `pos` (0..255); -1 at or after the end, or when reading failed.
    int At(uint64_t pos) {
        if (pos - start_ < data_.size()) return static_cast<unsigned char>(data_[pos - start_]);
        return Load(pos);
    }
    // The `n` bytes from `pos` (fewer at the end of the file, none after it
    // or when reading failed), valid until the next call. They come from the
    // window when it holds them all, else from a window read from `pos` on;
    // `n` larger than the window is cut to the window.
    std::string_view Bytes(uint64_t pos, size_t n) {
        if (pos - start_ >= data_.size() || data_.size() - (pos - start_) < n) Load(pos);
        if (pos - start_ >= data_.size()) return {};
        const size_t at = static_cast<size_t>(pos - start_);
        return std::string_view(data_).substr(at, n);
    }
    bool Failed() const { return failed_; }

private:
    FileBytes(int fd, size_t window) : fd_(fd), window_(window) {}
    int Load(uint64_t pos);

    int fd_ = -1;
    size_t window_ = 0;
    std::string data_;
    uint64_t start_ = 0;
    bool failed_ = false;
};

// A text file read line by line (the line ends of SplitLines), one line in
// memory at a time.
class LineReader {
public:
    static std::optional<LineReader> Open(const std::string& path, size_t window = 1 << 16);
    // The next line decoded to UTF-8; false at the end of the file or when
    // reading failed (then Failed() tells).
    bool Next(std::string& line);
    bool Failed() const { return bytes_.Failed(); }

private:
    explicit LineReader(FileBytes bytes) : bytes_(std::move(bytes)) {}
    FileBytes bytes_;
    uint64_t pos_ = 0;
};

// The number of lines of a file as SplitLines counts them, found without
// holding any line; the count stops at `limit` + 1, so a larger file is not
// read to its end. nullopt when the file cannot be read.
std::optional<size_t> CountLines(const std::string& path, size_t limit);

// Splits a text into lines at CR LF, LF or a lone CR. A final line end does not
// make an extra empty line.
std::vector<std::string> SplitLines(std::string_view text);

bool FileExists(const std::string& path);    // a regular file
bool FolderExists(const std::string& path);  // a directory
bool MakeFolder(const std::string& path);    // creates one level; true when it exists afterwards

// Joins folder and name with the native separator ("/"); a trailing
// separator on the folder is not doubled.
std::string JoinPath(std::string_view folder, std::string_view name);

// Names of the entries of a folder, sorted by name (byte order); empty when
// the folder cannot be listed.
std::vector<std::string> ListFolder(const std::string& folder);

// Looks a file up in a folder without regard to case; returns the real path,
// or "" when there is none.
std::string FindFileNoCase(const std::string& folder, std::string_view name);

// Free space in megabytes of the file system holding `path`, computed in
// 64 bits and rounded to the nearest megabyte (halves to even); 0 when the
// file system cannot be asked. Saturates at INT32_MAX.
int32_t FreeDiskMegabytes(const std::string& path);

}  // namespace vondrel::platform
