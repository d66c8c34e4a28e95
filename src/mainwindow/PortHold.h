// The port hold (device/PortHold.h) and the buttons' wait for the port.
#pragma once

#include <functional>

#include "device/PortHold.h"

class QObject;

namespace vondrel {

// Runs `action` now when the port is free; otherwise as soon as it is, from
// the event loop, unless `context` (the window the action belongs to) is
// gone by then. Used by the buttons, whose clicks must not be lost.
void WhenPortFree(QObject* context, std::function<void()> action);

}  // namespace vondrel
