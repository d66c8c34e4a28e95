// The program folder: where config.dat, calvalue.dat, repoconf.dat, the plate
// maps and the project folders live. It is the folder named by VONDREL_HOME
// when that is set, else the folder of the running executable; never the
// current directory by accident.
#pragma once

#include <string>

namespace vondrel::platform {

// The program folder, without a trailing separator.
const std::string& ProgramFolder();

// Called once from main() with argv[0] (or the real executable path), so the
// fallback can find the executable's folder.
void InitProgramFolder(const char* argv0);

// Tests point the program at a folder of their own.
void SetProgramFolderForTest(const std::string& folder);

}  // namespace vondrel::platform
