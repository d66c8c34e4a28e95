// Making the setup window's controls: a widget with its objectName and,
// for widgets with a text, its caption.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

namespace vondrel::setup {

template <typename T>
T* Make(QWidget* parent, const std::string& name, const char* caption = nullptr) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromStdString(name));
    if constexpr (requires(T* t) { t->setText(QString()); }) {
        if (caption) w->setText(QString::fromUtf8(caption));
    }
    return w;
}

}  // namespace vondrel::setup
