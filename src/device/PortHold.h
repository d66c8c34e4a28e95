// Keeps the acquisition tick and the device operations that pump events from
// running inside each other. Qt runs timers and clicks inside processEvents
// and inside modal boxes; an operation that talks to the instrument holds
// the port for its whole duration, and a timer handler or a button that finds
// the port held does not start a second exchange in the middle of the first.
#pragma once

namespace vondrel {

// True while some operation holds the instrument port.
bool PortHeld();

// Holds the port for the lifetime of the object (nesting allowed: a handler
// that holds it may call others that hold it too).
class PortHold {
public:
    PortHold();
    ~PortHold();
    PortHold(const PortHold&) = delete;
    PortHold& operator=(const PortHold&) = delete;
};

}  // namespace vondrel
