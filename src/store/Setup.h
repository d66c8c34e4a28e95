// setup.dat (a project's settings), its recovery, and small file utilities.
#pragma once

#include <string>

namespace vondrel {

// Reads setup.dat of g_project_folder into the project variables and the
// tools table; recovers a damaged file once from setup.bak or the newest run
// folder, else applies defaults from the stage where reading failed.
void LoadSetup(int n);

// Writes the 20 lines of setup.dat from the current variables; false on failure.
bool WriteSetupFile(const std::string& path);

// "<Project> p00012: Larvae test" for the project stored in `folder`.
std::string ReadSetupSummary(const std::string& folder);

// Number of lines of a text file; 0 when it cannot be read or holds more
// than 32767 lines.
int CountFileLines(const std::string& path);

// The newest run folder inside `prefix` (a folder path): names
// DDMMYYYY_HHMM (key yyyymmddhhmm) and the run folders this program makes,
// yyyymmdd_hhmm_sN (same key). "" when there is none.
std::string FindLatestRunFolder(const std::string& prefix);

// Copies a file over the destination: 1 on success, -1 on any failure.
int TryCopyFile(const std::string& source, const std::string& destination);

// The defaults of setup.dat's value lines, also used for a fresh folder.
void SetSetupLine4Defaults();
void SetSetupLine6Defaults();
void SetSetupToolsDefaults();
void SetToolsRowDefaults(int row);

}  // namespace vondrel
