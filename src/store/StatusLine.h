// The start-up status line (the launcher's news label). Loaders and the port
// scan write progress and warnings into it; the launcher window installs the
// sink that shows the text and repaints at once.
#pragma once

#include <functional>
#include <string>

namespace vondrel {

void SetStatusLine(const std::string& text);
const std::string& StatusLineText();
void SetStatusLineSink(std::function<void(const std::string&)> sink);

}  // namespace vondrel
