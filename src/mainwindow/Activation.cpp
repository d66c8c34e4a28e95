#include "mainwindow/Activation.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace vondrel {

namespace {

class ActivationWatcher : public QObject {
public:
    ActivationWatcher() {
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) { FocusMoved(w); });
    }

    void Add(QWidget* window, std::function<void()> onActivate) {
        watched_.push_back({QPointer<QWidget>(window), std::move(onActivate)});
    }

private:
    struct Entry {
        QPointer<QWidget> window;
        std::function<void()> onActivate;
    };

    void FocusMoved(QWindow* w) {
        if (!w) return;
        QWidget* widget = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == w) widget = top;
        // Boxes in front of a window are not a move between the program's
        // windows: the window they return to is not activated again.
        if (!widget || qobject_cast<QDialog*>(widget)) return;
        if (widget == last_) return;
        last_ = widget;
        std::erase_if(watched_, [](const Entry& e) { return e.window.isNull(); });
        for (const Entry& e : watched_)
            if (e.window == widget && e.onActivate) e.onActivate();
    }

    std::vector<Entry> watched_;
    QPointer<QWidget> last_;
};

ActivationWatcher& Watcher() {
    static auto* watcher = new ActivationWatcher();
    return *watcher;
}

}  // namespace

void WatchActivation(QWidget* window, std::function<void()> onActivate) {
    Watcher().Add(window, std::move(onActivate));
}

}  // namespace vondrel
