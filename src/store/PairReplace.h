// Two files of one folder replaced together: after a save, a kill at any
// moment or a full disk, the folder holds either both old files or both new
// ones, byte for byte.
//
// A save writes and syncs "<name>.new" of both files, then the journal file
// kPairJournal (naming the two), which is the point of no return; then both
// new files are renamed over their targets and the journal is removed. The
// journal exists only while a switch is unfinished. Recovery, at the next
// opening of the folder, completes a switch whose journal exists and
// otherwise removes what an interrupted save left behind (staged files and
// the temporaries of the replacements).
#pragma once

#include <string>
#include <string_view>

namespace vondrel::store {

inline constexpr const char* kPairJournal = "replace.journal";

struct PairFile {
    std::string name;  // within the folder
    std::string_view bytes;
};

struct PairSaveResult {
    bool ok = true;
    std::string failedName;  // the file whose update failed: "counts.bin", "setup.dat"
    std::string detail;      // why, for the message after "error Updating <name>"
};

// Replaces both files of the folder, or neither; a failure before the switch
// leaves the old pair and nothing else. Only a failure while renaming the
// second file leaves the journal, and the recovery then completes the switch.
PairSaveResult ReplacePair(const std::string& folder, const PairFile& first, const PairFile& second);

// Completes or rolls back an interrupted save of the two named files and
// removes stale temporaries, also those of `extra` (a backup replaced beside
// the pair). A switch that cannot be completed keeps its journal for the
// next attempt.
PairSaveResult RecoverPair(const std::string& folder, const std::string& first, const std::string& second,
                           const std::string& extra = "");

// The pair of a recording folder: counts.bin and setup.dat, replaced by the
// raw re-analysis with setup.bak beside them. Every opening of a recording
// (browser, report, re-analysis) recovers its folder first.
inline constexpr const char* kRecordingCounts = "counts.bin";
inline constexpr const char* kRecordingSetup = "setup.dat";
PairSaveResult RecoverRecordingFolder(const std::string& folder);

// "error Updating <name>: <detail>".
std::string PairErrorMessage(const PairSaveResult& result);

}  // namespace vondrel::store
