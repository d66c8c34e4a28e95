// A project loaded and saved as a whole.
#pragma once

#include <string>

namespace vondrel {

// Loads every file of g_project_folder in order: setup, channel status,
// thresholds, group names, channel groups, plate map. Never fails: each
// loader reports its own problems and falls back to its defaults.
void LoadProject(int n);

// Writes setup.dat (after copying it to setup.bak), status.dat, threshld.dat
// and the group files into `folder`: groupSelector 0..3 writes that station's
// GroupSet as groups.dat + chgroup.dat, -1 writes all four sets, any other
// value none. n is not used (the number written is g_project_number).
// Stops at the first failure and returns false, with the path that failed in
// *failedPath when given; what was written before stays.
bool SaveProject(const std::string& folder, int n, int groupSelector, std::string* failedPath = nullptr);

}  // namespace vondrel
