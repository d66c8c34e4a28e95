// The recorded-data browser's list without widgets: which folders are
// projects and recordings, the text of each list line, reading a line back,
// the search, the tags file, the archive rename and the watched folders.
//
// List lines (Tab written as {Tab}):
//   project:   "+ 2023.0512_s1{Tab}p00003_Larvae test"
//   recording: "  > 2023.0512_s2{Tab} ACQ10:30 \"run name\"{Tab}{Tab}[K1] [K3]"
// Positions in lines count characters, not UTF-8 bytes.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace vondrel::browser {

// A recording folder name: 8 digits, "_", 4 digits, then nothing or "_s1".."_s4".
// Archived folders ("...removed2024...") and names holding "." fail.
bool IsAcquisitionFolderName(std::string_view name);

// A project folder name: "p" and five digits.
bool IsProjectFolderName(std::string_view name);

// The project folders of the program folder: "p" + five digits holding
// setup.dat, in listing order. CountProjects is their number.
std::vector<std::string> ListProjectFolders(const std::string& programFolder);
int CountProjects(const std::string& programFolder);

// Recording folders of a project folder in listing order; with
// `withCounts` only those holding counts.bin.
std::vector<std::string> ListAcquisitionFolders(const std::string& projectPath, bool withCounts);

// "2023.0512" or "2023.0512_s1" for a recording folder name; eight blanks for "".
std::string DateField(std::string_view folderName);

std::string ProjectLine(std::string_view date, std::string_view folder, std::string_view projectName);
// The tag part ({Tab}{Tab}tags) is added when `withTags`.
std::string AcquisitionLine(std::string_view folderName, std::string_view runName, bool withTags,
                            std::string_view tags);
// The text a search term is matched against for one recording (no station suffix, no tags).
std::string AcquisitionSearchText(std::string_view folderName, std::string_view runName);

// Project name from ReadSetupSummary's text: after the first ":" and the one
// character following it; without ":" the summary less its first character.
std::string ProjectNameFromSummary(std::string_view summary);

// Reading a line back.
bool IsProjectLine(std::string_view line);
// The six characters after the first Tab ("" when there is none).
std::string ProjectFolderOfLine(std::string_view line);
// yyyymmdd_hhmm plus "_s1".."_s4" when the line shows it; nullopt when the
// line is not a recording line that yields a valid folder name.
std::optional<std::string> AcquisitionFolderOfLine(std::string_view line);
// The index of the project line owning line `index`: the nearest line at or
// above it that begins with "+", else 0.
int OwningProjectLine(const std::vector<std::string>& lines, int index);
// The run name shown in a recording line (between the quotes, without tags).
std::string RunNameOfLine(std::string_view line);
// A title cut to its first `maxChars` characters.
std::string CutCharacters(std::string_view text, size_t maxChars);
// The bracketed pieces of a tag text in order: "[K1] [K3]" gives [K1], [K3];
// "[K1 " gives nothing.
std::vector<std::string> TagPieces(std::string_view tags);

// The list state that survives rebuilds.
struct ListState {
    bool descending = true;
    std::set<std::string> expanded;  // project folder names showing their recordings
};

// Rebuilds the list: every project (newest listing entry first when
// descending), each open one followed by its recordings. tags_id.dat is read
// once per project. `onlyProjects`, when given, keeps the project lines it
// names (a search's hits).
std::vector<std::string> BuildProjectList(const std::string& programFolder, const ListState& state,
                                          const std::set<std::string>* onlyProjects = nullptr);
// One project's line and its recording lines (the re-sort while a recording is open).
std::vector<std::string> BuildFlatList(const std::string& programFolder, const std::string& projectFolder,
                                       bool descending);

// Search terms: blanks separate, double quotes group (a quoted blank is
// dropped), at most ten terms (the rest joins the tenth), empty terms skipped.
std::vector<std::string> SearchTerms(std::string_view text);
// Lower case for every character the project files can hold ("É" -> "é").
std::string FoldCase(std::string_view utf8);
// Indexes of the lines that hold every term: a project line also matches a
// term found in one of its recordings. Each subproj.dat is read once.
std::vector<int> SearchHits(const std::string& programFolder, const std::vector<std::string>& lines,
                            const std::vector<std::string>& terms);

// Adds a tag to (or with an empty tag clears) a recording's line of
// projectPath/tags_id.dat. Writes only when something changed, through a
// whole-file replace. False when the file could not be read or written.
bool WriteAcquisitionTag(const std::string& projectPath, const std::string& acquisitionName,
                         const std::string& tag);
// Tag text for menu item 1..4 ("[K1]".."[K4]"), "" for 0.
std::string TagForItem(int item);
// All tags of one project, keyed by recording folder name.
std::map<std::string, std::string> ReadTagFile(const std::string& projectPath);

// Archive: the folder's path + "removed" + YYYYMMDDhhss of the local time.
std::string ArchivePath(const std::string& folderPath, platform::TimePoint when);
enum class ArchiveResult { Done, Failed, RunInProgress };
// Renames a recording folder to its archive name, never over an existing
// entry. A folder whose name is the stamp of the run in progress
// (`runningStamp`, "" when none) is refused.
ArchiveResult ArchiveAcquisition(const std::string& folderPath, const std::string& runningStamp,
                                 platform::TimePoint when, std::string* newPath = nullptr);

// Watched folders: foldview.dat in the program folder, five lines.
constexpr int kWatchedFolders = 5;
using WatchedFolders = std::array<std::string, kWatchedFolders>;
WatchedFolders DesignWatchedFolders();  // "_folder1".."_folder5"
// Lines naming an existing file or folder replace the design captions;
// empty, missing or stale lines keep them. Relative paths start at the program folder.
WatchedFolders ReadWatchedFolders(const std::string& programFolder);
bool WriteWatchedFolders(const std::string& programFolder, const WatchedFolders& folders);
// An answer counts when it names an existing file or folder (no wildcards).
bool WatchedFolderExists(const std::string& programFolder, const std::string& answer);

}  // namespace vondrel::browser
