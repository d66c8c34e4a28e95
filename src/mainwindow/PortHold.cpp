#include "mainwindow/PortHold.h"

#include <QTimer>

namespace vondrel {

namespace {
int g_port_hold_depth = 0;
}

bool PortHeld() { return g_port_hold_depth > 0; }

PortHold::PortHold() { ++g_port_hold_depth; }
PortHold::~PortHold() { --g_port_hold_depth; }

void WhenPortFree(QObject* context, std::function<void()> action) {
    if (!PortHeld()) {
        action();
        return;
    }
    QTimer::singleShot(5, context, [context, action = std::move(action)]() mutable {
        WhenPortFree(context, std::move(action));
    });
}

}  // namespace vondrel
