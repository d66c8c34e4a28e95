#include "mainwindow/PortHold.h"

#include <QTimer>

namespace vondrel {

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
