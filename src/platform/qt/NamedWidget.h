// Making a window's controls: every control carries its designed name as its
// objectName, so tests and the windows' own code find it by that name.
#pragma once

#include <QLabel>
#include <QString>
#include <QTextDocument>
#include <QWidget>
#include <string>
#include <type_traits>

namespace vondrel {

// Gives a control made elsewhere its name.
template <typename W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A new control of `parent` with its name and, for a control with a text,
// its caption. A label shows its text as plain text: what it shows may come
// from a file or the instrument and is never read as markup.
template <typename T>
T* Make(QWidget* parent, const std::string& name, const QString& caption = {}) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromStdString(name));
    if constexpr (std::is_base_of_v<QLabel, T>) w->setTextFormat(Qt::PlainText);
    if constexpr (requires(T* t) { t->setText(QString()); }) {
        if (!caption.isNull()) w->setText(caption);
    }
    return w;
}

// A tool tip that shows `text` as written. Tool tips read a text as markup
// whenever it looks like markup, so such a text goes escaped into a paragraph
// that keeps its blanks; any other text is shown as it is.
inline QString PlainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

}  // namespace vondrel
