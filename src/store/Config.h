// config.dat of the program folder and the folder layout of projects.
#pragma once

#include <string>

namespace vondrel {

// Reads config.dat into g_project_number, g_last_project_number, g_com_port
// and g_restart_time; never fails (defaults 1, 1, 4 with a message).
void LoadConfig();
// Rewrites config.dat from the four variables; a failure shows a message.
void SaveConfig();

// The folder of project n: the program folder, "p" and n in five digits;
// project 0 is the program folder itself.
std::string ProjectFolderOf(int n);

// "/p" + n in five digits and "/" + file: the project file as messages name it.
std::string ProjectFileLabel(int n, int digits, const std::string& file);

}  // namespace vondrel
