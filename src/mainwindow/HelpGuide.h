// The user guide: Markdown compiled into the program, printed as the help
// file `qvr_help.pdf` of the program folder.
#pragma once

#include <string>

namespace vondrel {

// The help file's name in the program folder.
inline constexpr const char* kHelpFileName = "qvr_help.pdf";

// The guide's Markdown text.
std::string UserGuideMarkdown();

// Writes the guide as a PDF to `path` (through a temporary file beside it, so
// a half-written file never stands under the name). Needs a QGuiApplication.
// False when the file could not be written.
bool WriteHelpPdf(const std::string& path);

}  // namespace vondrel
