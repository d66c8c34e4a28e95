#include "browser/BrowserList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "store/RunFiles.h"
#include "store/Setup.h"

namespace vondrel::browser {

namespace fs = std::filesystem;
using platform::JoinPath;

namespace {

bool AllDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Station suffix "_s1".."_s4" at the end of a name, or "".
std::string_view StationSuffix(std::string_view name) {
    if (name.size() < 3) return {};
    auto tail = name.substr(name.size() - 3);
    if (tail[0] == '_' && tail[1] == 's' && tail[2] >= '1' && tail[2] <= '4') return tail;
    return {};
}

// Number of bytes of the UTF-8 sequence starting with `lead`.
size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// Byte offset of character `chars` (0-based) of a UTF-8 text, or its size.
size_t ByteOfChar(std::string_view text, size_t chars) {
    size_t i = 0;
    while (chars > 0 && i < text.size()) {
        i += SequenceLength(static_cast<unsigned char>(text[i]));
        --chars;
    }
    return std::min(i, text.size());
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

}  // namespace

bool IsAcquisitionFolderName(std::string_view name) {
    if (name.size() != 13 && name.size() != 16) return false;
    if (!AllDigits(name.substr(0, 8)) || name[8] != '_' || !AllDigits(name.substr(9, 4))) return false;
    return name.size() == 13 || StationSuffix(name) == name.substr(13);
}

bool IsProjectFolderName(std::string_view name) {
    return name.size() == 6 && name[0] == 'p' && AllDigits(name.substr(1));
}

std::vector<std::string> ListProjectFolders(const std::string& programFolder) {
    std::vector<std::string> out;
    for (auto& name : platform::ListFolder(programFolder)) {
        if (!IsProjectFolderName(name)) continue;
        std::string folder = JoinPath(programFolder, name);
        if (platform::FolderExists(folder) && platform::FileExists(JoinPath(folder, "setup.dat")))
            out.push_back(std::move(name));
    }
    return out;
}

int CountProjects(const std::string& programFolder) {
    return static_cast<int>(ListProjectFolders(programFolder).size());
}

std::vector<std::string> ListAcquisitionFolders(const std::string& projectPath, bool withCounts) {
    std::vector<std::string> out;
    for (auto& name : platform::ListFolder(projectPath)) {
        if (!IsAcquisitionFolderName(name)) continue;
        std::string folder = JoinPath(projectPath, name);
        if (!platform::FolderExists(folder)) continue;
        if (withCounts && !platform::FileExists(JoinPath(folder, "counts.bin"))) continue;
        out.push_back(std::move(name));
    }
    return out;
}

std::string DateField(std::string_view folderName) {
    if (folderName.size() < 8) return std::string(8, ' ');
    std::string date = std::string(folderName.substr(0, 4)) + "." + std::string(folderName.substr(4, 4));
    date += StationSuffix(folderName);
    return date;
}

std::string ProjectLine(std::string_view date, std::string_view folder, std::string_view projectName) {
    return "+ " + std::string(date) + "\t" + std::string(folder) + "_" + std::string(projectName);
}

std::string AcquisitionSearchText(std::string_view folderName, std::string_view runName) {
    std::string text = "  > " + std::string(folderName.substr(0, 4)) + "." + std::string(folderName.substr(4, 4));
    text += "\t ACQ" + std::string(folderName.substr(9, 2)) + ":" + std::string(folderName.substr(11, 2));
    return text + " \"" + std::string(runName) + "\"";
}

std::string AcquisitionLine(std::string_view folderName, std::string_view runName, bool withTags,
                            std::string_view tags) {
    std::string line = "  > " + DateField(folderName) + "\t ACQ" + std::string(folderName.substr(9, 2)) + ":" +
                       std::string(folderName.substr(11, 2)) + " \"" + std::string(runName) + "\"";
    if (withTags) line += "\t\t" + std::string(tags);
    return line;
}

std::string ProjectNameFromSummary(std::string_view summary) {
    size_t colon = summary.find(':');
    if (colon == std::string_view::npos) return std::string(summary.substr(ByteOfChar(summary, 1)));
    auto rest = summary.substr(colon + 1);
    return std::string(rest.substr(ByteOfChar(rest, 1)));
}

bool IsProjectLine(std::string_view line) { return !line.empty() && line[0] == '+'; }

std::string ProjectFolderOfLine(std::string_view line) {
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return "";
    return std::string(line.substr(tab + 1, 6));
}

std::optional<std::string> AcquisitionFolderOfLine(std::string_view line) {
    if (IsProjectLine(line)) return std::nullopt;
    // The fixed part of the line precedes the run name, so the first ">",
    // ".", "ACQ" and ":" are those of the date and time even when the name
    // holds the same characters.
    size_t gt = line.find('>'), dot = line.find('.'), acq = line.find("ACQ"), colon = line.find(':');
    if (gt == std::string_view::npos || dot == std::string_view::npos || acq == std::string_view::npos ||
        colon == std::string_view::npos)
        return std::nullopt;
    auto piece = [&](size_t at, size_t n) { return at < line.size() ? std::string(line.substr(at, n)) : ""; };
    std::string name = piece(gt + 2, 4) + piece(dot + 1, 4) + "_" + piece(acq + 3, 2) + piece(colon + 1, 2);
    std::string suffix = piece(dot + 5, 3);
    if (suffix == "_s1" || suffix == "_s2" || suffix == "_s3" || suffix == "_s4") name += suffix;
    if (!IsAcquisitionFolderName(name)) return std::nullopt;
    return name;
}

int OwningProjectLine(const std::vector<std::string>& lines, int index) {
    for (int k = std::min(index, static_cast<int>(lines.size()) - 1); k >= 0; --k)
        if (IsProjectLine(lines[static_cast<size_t>(k)])) return k;
    return 0;
}

std::string RunNameOfLine(std::string_view line) {
    size_t acq = line.find(" ACQ");
    if (acq == std::string_view::npos) return "";
    size_t open = line.find('"', acq);
    if (open == std::string_view::npos) return "";
    // The tag part follows the closing quote as Tab, Tab.
    size_t tags = line.find("\"\t\t", open + 1);
    size_t close = tags != std::string_view::npos ? tags : line.rfind('"');
    if (close == std::string_view::npos || close <= open) return "";
    return std::string(line.substr(open + 1, close - open - 1));
}

std::string CutCharacters(std::string_view text, size_t maxChars) {
    return std::string(text.substr(0, ByteOfChar(text, maxChars)));
}

std::vector<std::string> TagPieces(std::string_view tags) {
    std::vector<std::string> out;
    size_t from = 0;
    while (true) {
        size_t open = tags.find('[', from);
        if (open == std::string_view::npos) break;
        size_t close = tags.find(']', open);
        if (close != std::string_view::npos) out.emplace_back(tags.substr(open, close - open + 1));
        from = open + 1;
    }
    return out;
}

std::map<std::string, std::string> ReadTagFile(const std::string& projectPath) {
    std::map<std::string, std::string> tags;
    auto text = platform::ReadTextFile(JoinPath(projectPath, "tags_id.dat"));
    if (!text) return tags;
    for (const auto& line : platform::SplitLines(*text)) {
        size_t blank = line.find(' ');
        if (blank == std::string::npos || blank < 1) continue;
        tags.emplace(line.substr(0, blank), line.substr(blank + 1));  // the first line of a key wins
    }
    return tags;
}

namespace {

void AppendAcquisitionLines(std::vector<std::string>& out, const std::string& projectPath, bool descending) {
    bool withTags = platform::FileExists(JoinPath(projectPath, "tags_id.dat"));
    auto tags = withTags ? ReadTagFile(projectPath) : std::map<std::string, std::string>{};
    auto names = ListAcquisitionFolders(projectPath, true);
    if (descending) std::reverse(names.begin(), names.end());
    for (const auto& name : names) {
        auto found = tags.find(name);
        out.push_back(AcquisitionLine(name, ReadSubprojectName(JoinPath(projectPath, name)), withTags,
                                      found != tags.end() ? found->second : ""));
    }
}

std::string BuildProjectLine(const std::string& programFolder, const std::string& folder) {
    std::string path = JoinPath(programFolder, folder);
    auto acquisitions = ListAcquisitionFolders(path, false);
    std::string date = acquisitions.empty() ? std::string(8, ' ') : DateField(acquisitions.front());
    return ProjectLine(date, folder, ProjectNameFromSummary(ReadSetupSummary(path)));
}

}  // namespace

std::vector<std::string> BuildProjectList(const std::string& programFolder, const ListState& state,
                                          const std::set<std::string>* onlyProjects) {
    std::vector<std::string> out;
    auto folders = ListProjectFolders(programFolder);
    if (state.descending) std::reverse(folders.begin(), folders.end());
    for (const auto& folder : folders) {
        if (onlyProjects && !onlyProjects->count(folder)) continue;
        out.push_back(BuildProjectLine(programFolder, folder));
        if (state.expanded.count(folder))
            AppendAcquisitionLines(out, JoinPath(programFolder, folder), state.descending);
    }
    return out;
}

std::vector<std::string> BuildFlatList(const std::string& programFolder, const std::string& projectFolder,
                                       bool descending) {
    std::vector<std::string> out;
    if (!IsProjectFolderName(projectFolder) ||
        !platform::FileExists(JoinPath(JoinPath(programFolder, projectFolder), "setup.dat")))
        return out;
    out.push_back(BuildProjectLine(programFolder, projectFolder));
    AppendAcquisitionLines(out, JoinPath(programFolder, projectFolder), descending);
    return out;
}

std::vector<std::string> SearchTerms(std::string_view text) {
    std::array<std::string, 10> terms;
    size_t t = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            if (quoted && t < 9) ++t;
            quoted = !quoted;
        } else if (c == ' ') {
            if (!quoted && t < 9) ++t;
        } else {
            terms[t] += c;
        }
    }
    std::vector<std::string> out;
    for (auto& term : terms)
        if (!term.empty()) out.push_back(std::move(term));
    return out;
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t n = std::min(SequenceLength(c), utf8.size() - i);
        if (n == 1) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        } else if (n == 2) {
            unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            // Latin-1 capitals (not the multiplication sign) and the Latin
            // Extended-A pairs (capital at the even code point).
            if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) cp += 0x20;
            else if (cp >= 0x100 && cp <= 0x137 && cp % 2 == 0) cp += 1;
            else if (cp >= 0x139 && cp <= 0x148 && cp % 2 == 1) cp += 1;
            else if (cp >= 0x14A && cp <= 0x177 && cp % 2 == 0) cp += 1;
            else if (cp == 0x178) cp = 0xFF;
            else if ((cp == 0x179 || cp == 0x17B || cp == 0x17D)) cp += 1;
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out.append(utf8.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::vector<int> SearchHits(const std::string& programFolder, const std::vector<std::string>& lines,
                            const std::vector<std::string>& terms) {
    std::vector<int> hits;
    if (terms.empty()) return hits;
    std::vector<std::string> folded;
    for (const auto& term : terms) folded.push_back(FoldCase(term));
    // Each project's recordings are read once for the whole search.
    std::map<std::string, std::vector<std::string>> recordings;
    auto recordingTexts = [&](const std::string& folder) -> const std::vector<std::string>& {
        auto it = recordings.find(folder);
        if (it != recordings.end()) return it->second;
        std::vector<std::string> texts;
        if (IsProjectFolderName(folder)) {
            std::string path = JoinPath(programFolder, folder);
            for (const auto& name : ListAcquisitionFolders(path, true))
                texts.push_back(FoldCase(AcquisitionSearchText(name, ReadSubprojectName(JoinPath(path, name)))));
        }
        return recordings.emplace(folder, std::move(texts)).first->second;
    };
    for (size_t j = 0; j < lines.size(); ++j) {
        std::string line = FoldCase(lines[j]);
        bool project = IsProjectLine(lines[j]);
        bool all = std::all_of(folded.begin(), folded.end(), [&](const std::string& term) {
            if (Contains(line, term)) return true;
            if (!project) return false;
            const auto& texts = recordingTexts(ProjectFolderOfLine(lines[j]));
            return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return Contains(t, term); });
        });
        if (all) hits.push_back(static_cast<int>(j));
    }
    return hits;
}

bool WriteAcquisitionTag(const std::string& projectPath, const std::string& acquisitionName,
                         const std::string& tag) {
    std::string path = JoinPath(projectPath, "tags_id.dat");
    std::vector<std::string> lines;
    if (platform::FileExists(path)) {
        auto text = platform::ReadTextFile(path);
        if (!text) return false;
        lines = platform::SplitLines(*text);
    }
    bool changed = false, found = false;
    for (auto& line : lines) {
        size_t blank = line.find(' ');
        bool hasKey = blank != std::string::npos && blank >= 1;
        std::string key = hasKey ? line.substr(0, blank) : line;
        if (key != acquisitionName) continue;
        found = true;
        if (!tag.empty()) {
            std::string_view rest = hasKey ? std::string_view(line).substr(blank + 1) : std::string_view(line);
            if (!Contains(rest, tag)) {
                line += " " + tag;
                changed = true;
            }
        } else if (line != key) {
            line = key;
            changed = true;
        }
    }
    if (!tag.empty() && !found) {
        lines.push_back(acquisitionName + " " + tag);
        changed = true;
    }
    if (!changed) return true;
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return platform::ReplaceTextFile(path, text);
}

std::string TagForItem(int item) {
    if (item < 1 || item > 4) return "";
    return "[K" + std::to_string(item) + "]";
}

std::string ArchivePath(const std::string& folderPath, platform::TimePoint when) {
    auto t = platform::ToLocal(when);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.second);
    std::string path = folderPath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path + "removed" + stamp;
}

ArchiveResult ArchiveAcquisition(const std::string& folderPath, const std::string& runningStamp,
                                 platform::TimePoint when, std::string* newPath) {
    std::string name = fs::path(folderPath).filename().string();
    if (!IsAcquisitionFolderName(name) || !platform::FolderExists(folderPath)) return ArchiveResult::Failed;
    if (!runningStamp.empty() && name.compare(0, 13, runningStamp) == 0) return ArchiveResult::RunInProgress;
    std::string target = ArchivePath(folderPath, when);
    if (!platform::RenameNoReplace(folderPath, target)) return ArchiveResult::Failed;
    if (newPath) *newPath = target;
    return ArchiveResult::Done;
}

WatchedFolders DesignWatchedFolders() {
    return {"_folder1", "_folder2", "_folder3", "_folder4", "_folder5"};
}

bool WatchedFolderExists(const std::string& programFolder, const std::string& answer) {
    if (answer.empty() || answer.find_first_of("*?") != std::string::npos) return false;
    fs::path path(answer);
    if (path.is_relative()) path = fs::path(programFolder) / path;
    std::error_code ec;
    return fs::exists(path, ec);
}

WatchedFolders ReadWatchedFolders(const std::string& programFolder) {
    auto folders = DesignWatchedFolders();
    auto text = platform::ReadTextFile(JoinPath(programFolder, "foldview.dat"));
    if (!text) return folders;
    auto lines = platform::SplitLines(*text);
    for (size_t i = 0; i < folders.size() && i < lines.size(); ++i)
        if (WatchedFolderExists(programFolder, lines[i])) folders[i] = lines[i];
    return folders;
}

bool WriteWatchedFolders(const std::string& programFolder, const WatchedFolders& folders) {
    std::string text;
    for (const auto& folder : folders) text += folder + "\r\n";
    return platform::ReplaceTextFile(JoinPath(programFolder, "foldview.dat"), text);
}

}  // namespace vondrel::browser
