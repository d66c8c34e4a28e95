#include "store/PairReplace.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/Files.h"

namespace vondrel::store {
namespace {

using platform::JoinPath;

std::string Staged(const std::string& name) { return name + ".new"; }

bool Remove(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

std::string ErrorText(int error) { return std::strerror(error != 0 ? error : EIO); }

// Temporaries of interrupted replacements of the given files: "<name>.tmp-"
// and the six characters of mkstemp.
void RemoveTemporaries(const std::string& folder, const std::vector<std::string>& names) {
    for (const auto& entry : platform::ListFolder(folder)) {
        for (const auto& name : names) {
            const std::string prefix = name + ".tmp-";
            if (entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0) {
                Remove(JoinPath(folder, entry));
                break;
            }
        }
    }
}

}  // namespace

PairSaveResult RecoverPair(const std::string& folder, const std::string& first, const std::string& second,
                           const std::string& extra) {
    std::vector<std::string> names = {first, second, Staged(first), Staged(second), kPairJournal};
    if (!extra.empty()) names.push_back(extra);
    RemoveTemporaries(folder, names);
    const std::string journal = JoinPath(folder, kPairJournal);
    if (!platform::FileExists(journal)) {
        // No switch was decided: staged files of an unfinished save go.
        Remove(JoinPath(folder, Staged(first)));
        Remove(JoinPath(folder, Staged(second)));
        return {};
    }
    // The switch was decided: both new files were complete and synced before
    // the journal was written. A staged file that is gone was switched already.
    for (const auto& name : {first, second}) {
        const std::string staged = JoinPath(folder, Staged(name));
        if (platform::FileExists(staged) && !platform::RenameFile(staged, JoinPath(folder, name)))
            return {false, name, ErrorText(errno)};
    }
    if (!platform::SyncFolder(folder) || !Remove(journal)) return {false, second, ErrorText(errno)};
    platform::SyncFolder(folder);
    return {};
}

PairSaveResult RecoverRecordingFolder(const std::string& folder) {
    return RecoverPair(folder, kRecordingCounts, kRecordingSetup, "setup.bak");
}

std::string PairErrorMessage(const PairSaveResult& result) {
    return "error Updating " + result.failedName + ": " + result.detail;
}

PairSaveResult ReplacePair(const std::string& folder, const PairFile& first, const PairFile& second) {
    if (auto recovered = RecoverPair(folder, first.name, second.name); !recovered.ok) return recovered;
    const std::string journal = JoinPath(folder, kPairJournal);
    const std::string stagedFirst = JoinPath(folder, Staged(first.name));
    const std::string stagedSecond = JoinPath(folder, Staged(second.name));
    // Before the switch is decided a failure only removes what was staged.
    auto fail = [&](const std::string& name) {
        const std::string detail = ErrorText(errno);
        Remove(stagedFirst);
        Remove(stagedSecond);
        return PairSaveResult{false, name, detail};
    };
    if (!platform::ReplaceFile(stagedFirst, first.bytes)) return fail(first.name);
    if (!platform::ReplaceFile(stagedSecond, second.bytes)) return fail(second.name);
    if (!platform::SyncFolder(folder)) return fail(first.name);
    if (!platform::ReplaceFile(journal, first.name + "\r\n" + second.name + "\r\n")) return fail(first.name);
    // Undoing the decision: the journal goes first; while it cannot be
    // removed the staged files stay, and the recovery completes the switch.
    auto undo = [&](const std::string& name) {
        const std::string detail = ErrorText(errno);
        if (Remove(journal)) {
            Remove(stagedFirst);
            Remove(stagedSecond);
            platform::SyncFolder(folder);
        }
        return PairSaveResult{false, name, detail};
    };
    if (!platform::SyncFolder(folder)) return undo(first.name);
    if (!platform::RenameFile(stagedFirst, JoinPath(folder, first.name))) return undo(first.name);
    // From here on only forward: the first file is new.
    if (!platform::RenameFile(stagedSecond, JoinPath(folder, second.name))) return {false, second.name, ErrorText(errno)};
    // The journal goes once the switch is durable; a journal left over names
    // no staged file, and the recovery only removes it.
    if (platform::SyncFolder(folder) && Remove(journal)) platform::SyncFolder(folder);
    return {};
}

}  // namespace vondrel::store
