// Installation settings of the program folder: calvalue.dat (per-channel
// emitter power and receiver gain) and repoconf.dat (report settings).
#pragma once

#include <cstdint>
#include <string>

namespace vondrel {

// calvalue.dat; each returns false on any failure and reports nothing (the
// calling calibration decides what to say).
bool ReadCalValues();
bool WriteCalValues();
bool WriteDefaultCalValues();  // power 2, gain 3 for every channel, then written

// Loads repoconf.dat when it exists and userDefined is not 0, returning its
// User_defined field; otherwise writes the defaults (User_defined 0) and
// returns 0. A damaged file gives a message and the defaults.
int16_t LoadReportSettings(int16_t userDefined);
void SaveReportSettings(int16_t userDefined);
void SetDefaultReportSettings();
void ValidateReportSettings();
// Sets g_list_separator from the user's locale and returns it.
const std::string& GetListSeparator();

}  // namespace vondrel
