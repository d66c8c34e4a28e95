// A window's Activate handler runs when the user moves to the window from
// another of the program's windows, and when the window is shown and takes
// the focus; it does not run when a message box or input box in front of
// the window closes and the focus comes back.
#pragma once

#include <functional>

class QWidget;

namespace vondrel {

// Registers `onActivate` for the top-level window `window` (until it is
// destroyed).
void WatchActivation(QWidget* window, std::function<void()> onActivate);

}  // namespace vondrel
