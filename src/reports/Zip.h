// A folder packed into one zip archive without compression (every entry
// stored), as the workbook export needs it: local headers, central directory
// and end record of the classic zip format, names in UTF-8 (flag bit 11), one
// DOS time and date for every entry.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace vondrel::reports {

// A failure of the workbook export: an errno-style number and a description
// that names the path; `source` is the step that raised it.
struct WorkbookError : std::runtime_error {
    WorkbookError(int number_, std::string description_, std::string source_ = "")
        : std::runtime_error(description_), number(number_), description(std::move(description_)),
          source(std::move(source_)) {}
    int number;
    std::string description;
    std::string source;
};

// Throws the failure `err` (an errno value) of `path`: "<text of err>: <path>".
[[noreturn]] void ThrowFileError(int err, const std::string& path, const std::string& source = "");

// The archive format holds at most this many entries and 32-bit sizes and offsets.
constexpr size_t kZipMaxEntries = 32767;
constexpr uint64_t kZipMaxBytes = 0xFFFFFFFFull;

// Packs every file below `folder` into `archivePath`. An existing file there is
// removed first; a folder without files makes no archive. The archive is
// written under a temporary name beside the final one and renamed when
// complete, so no half-written archive ever bears the final name. Throws
// WorkbookError on any failure (nothing is left at the temporary name); a
// folder over the format's limits fails before anything is written.
void ZipFolderStored(const std::string& folder, const std::string& archivePath);

// Full paths of the files below `folder`: each folder's files in byte order of
// their names, then its sub-folders the same way, depth first. Symbolic links
// and other special entries are never followed nor listed. Empty when `folder`
// is not an existing folder.
std::vector<std::string> ListFilesRecursive(const std::string& folder);
void CollectFilesRecursive(const std::string& folder, std::vector<std::string>& files);

// One trailing "/" removed, if there is one.
std::string StripTrailingBackslash(std::string path);

// True when `path` exists and is not a folder.
bool XlsxFileExists(const std::string& path);

// The whole file; throws WorkbookError when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Texts are UTF-8 inside the program already: the bytes as they are.
std::string EncodeUtf8(std::string_view text);

// DOS time word (hour, minute, second / 2) and date word (year from 1980,
// clamped to 1980..2107; month; day).
uint16_t PackDosTime(const platform::LocalTime& t);
uint16_t PackDosDate(const platform::LocalTime& t);

// The CRC-32 of the zip format (reflected polynomial 0xEDB88320); 0 for no bytes.
uint32_t ComputeCrc32(std::string_view bytes);

// Test seam of ZipFolderStored: called at "entry" (after each entry's data
// went out) and "rename"; returning false makes that step fail. An empty
// function removes the hook.
void SetZipFaultForTest(std::function<bool(std::string_view step)> hook);

}  // namespace vondrel::reports
