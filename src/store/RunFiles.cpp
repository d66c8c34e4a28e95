#include "store/RunFiles.h"

#include <vector>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "store/SettingsText.h"
#include "store/Setup.h"

namespace vondrel {

using platform::JoinPath;

namespace {

std::string StripQuotes(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    return out;
}

// Copies `file` of `folder` to its .bak twin; shows "error" when that fails.
bool BackUp(const std::string& folder, const std::string& file, const std::string& backup) {
    if (TryCopyFile(JoinPath(folder, file), JoinPath(folder, backup)) == 1) return true;
    platform::MsgBox("error");
    return false;
}

// Position of the first blank when it stands at the second character or
// later (a key before it), else npos.
size_t KeyEnd(const std::string& line) {
    size_t blank = line.find(' ');
    return (blank == std::string::npos || blank < 1) ? std::string::npos : blank;
}

// Calls `take` with each line of tags_id.dat until it returns true.
template <typename Take>
void ForEachTagLine(const std::string& projectFolder, Take take) {
    auto in = platform::LineReader::Open(JoinPath(projectFolder, "tags_id.dat"));
    std::string line;
    while (in && in->Next(line))
        if (take(line)) return;
}

}  // namespace

bool WriteSubprojectFile(const std::string& runFolder, const std::string& name, const std::string& comments) {
    SettingsWriter out;
    out.Text(name).EndLine().TextBlock(comments).EndLine();
    // Never left half-written: a failed write keeps the old file.
    return platform::ReplaceTextFile(JoinPath(runFolder, "subproj.dat"), out.Str());
}

std::string ReadSubprojectName(const std::string& runFolder) {
    try {
        auto in = SettingsReader::Open(JoinPath(runFolder, "subproj.dat"));
        return in ? in->ReadText() : "";
    } catch (const SettingsError&) {
        return "";
    }
}

std::string ReadSubprojectComments(const std::string& runFolder) {
    auto in = platform::LineReader::Open(JoinPath(runFolder, "subproj.dat"));
    std::string line, result;
    if (!in || !in->Next(line)) return "";
    bool first = true;
    while (in->Next(line)) {
        if (line.empty()) continue;
        if (!first) result += "\r\n";
        result += StripQuotes(line);
        first = false;
    }
    return in->Failed() ? "" : result;
}

namespace {

// Rewrites subproj.dat with one of its two fields replaced, after keeping the
// previous file as subproj.bak. Returns `done`, or "" on a failure.
std::string RewriteSubproject(const std::string& runFolder, bool replaceName, const std::string& value,
                              const std::string& done) {
    if (!platform::FileExists(JoinPath(runFolder, "subproj.dat"))) return done;  // nothing to rewrite
    if (!BackUp(runFolder, "subproj.dat", "subproj.bak")) return "";
    try {
        auto in = SettingsReader::Open(JoinPath(runFolder, "subproj.bak"));
        if (!in) return "";
        std::string name, comments;
        if (replaceName) {
            in->SkipText();              // the old name
            comments = in->ReadText();  // both records must be there
            name = value;
        } else {
            if (!in->AtEnd()) name = in->ReadText();
            comments = value;
        }
        return WriteSubprojectFile(runFolder, name, comments) ? done : "";
    } catch (const SettingsError&) {
        return "";
    }
}

}  // namespace

std::string RenameSubproject(const std::string& runFolder, const std::string& newName) {
    auto name = StorableName(newName);
    if (!name) return "";
    return RewriteSubproject(runFolder, true, *name, *name);
}

std::string SaveSubprojectComments(const std::string& runFolder, const std::string& comments) {
    return RewriteSubproject(runFolder, false, comments, "OK");
}

std::string GetSubprojectTags(const std::string& projectFolder, const std::string& runName) {
    std::string tags;
    ForEachTagLine(projectFolder, [&](const std::string& line) {
        size_t end = KeyEnd(line);
        if (end == std::string::npos || end != runName.size() || line.compare(0, end, runName) != 0) return false;
        tags = line.substr(end + 1);
        return true;
    });
    return tags;
}

std::string FindTaggedSubprojects(const std::string& projectFolder, const std::string& tag) {
    std::string result;
    ForEachTagLine(projectFolder, [&](const std::string& line) {
        size_t end = KeyEnd(line);
        if (end == std::string::npos || line.find(tag, 1) == std::string::npos) return false;
        if (!result.empty()) result += ' ';
        result += line.substr(0, end);
        return false;
    });
    return result;
}

std::string RenameProject(const std::string& projectFolder, const std::string& newName) {
    auto name = StorableName(newName);
    if (!name) return "";
    if (!platform::FileExists(JoinPath(projectFolder, "setup.dat"))) return *name;
    if (!BackUp(projectFolder, "setup.dat", "setup.bak")) return "";
    // At most 51 lines: reading stops at the 52nd, which makes it a failure.
    constexpr size_t kMostLines = 51;
    auto in = platform::LineReader::Open(JoinPath(projectFolder, "setup.bak"));
    if (!in) return "";
    std::vector<std::string> lines;
    for (std::string line; lines.size() <= kMostLines && in->Next(line);) lines.push_back(std::move(line));
    if (in->Failed() || lines.size() > kMostLines || lines.size() < 2) return "";
    // Quote-aware, so a comma inside the quoted name or folder stays in its field.
    auto fields = SplitFieldsRaw(lines[1]);
    if (fields.size() > 11 || fields.size() < 2) return "";
    std::string line2 = fields[0] + ",\"" + *name + "\"";
    for (size_t i = 2; i < fields.size(); ++i) line2 += "," + fields[i];
    lines[1] = line2;
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return platform::ReplaceTextFile(JoinPath(projectFolder, "setup.dat"), out) ? *name : "";
}

int32_t GetFreeDiskSpace(const std::string& path) { return platform::FreeDiskMegabytes(path); }

}  // namespace vondrel
