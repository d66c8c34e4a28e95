#include "device/PortHold.h"

namespace vondrel {

namespace {
int g_port_hold_depth = 0;
}

bool PortHeld() { return g_port_hold_depth > 0; }

PortHold::PortHold() { ++g_port_hold_depth; }
PortHold::~PortHold() { --g_port_hold_depth; }

}  // namespace vondrel
