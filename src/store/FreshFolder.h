// The files of a fresh program folder, so that a first start meets no error
// box: config.dat, the default project's (project 0's) settings files,
// calvalue.dat, repoconf.dat and a plate map for every plate format offered.
#pragma once

#include <string>
#include <vector>

namespace vondrel {

// Every plate format code the program offers.
const std::vector<std::string>& PlateFormatCodes();

// Fills the plate variables with the map of `code`: the built-in maps for
// "w384", "w96f" and "w96u"; the others laid out from the standard microplate
// geometry on the 24 x 16 beam grid. Returns false for an unknown code.
bool SetStandardPlateMap(const std::string& code);

// Writes the current plate variables as a plate-map file.
bool WritePlateMapFile(const std::string& path, const std::string& code);

// Writes into the program folder each file of a fresh install that is
// missing; existing files are left as they are. Returns the names written.
std::vector<std::string> PrepareProgramFolder();

// The name of the project that a new program folder can start with.
inline constexpr const char* kDemoProjectName = "Demo";

// Makes the next project, named "Demo" (project 1 in a prepared new program
// folder), and makes it current, as the setup window's "New..." makes a
// project: config.dat and the default project loaded, the next number, its
// folder, every project file with all four group sets, then config.dat with
// the new project current. Returns false, changing nothing, when that
// project's folder exists already or cannot be made, and false when a project
// file cannot be written.
bool CreateDemoProject();

}  // namespace vondrel
