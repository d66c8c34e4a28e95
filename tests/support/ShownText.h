// What a label or a tool tip puts on the screen of its text: a text read as
// markup (rich text, or "auto" with a text that looks like markup) shows
// without its tags and with its entities resolved; any other text shows as
// written. Tests compare this with the text they meant to show.
#pragma once

#include <QLabel>
#include <QString>
#include <QTextDocument>
#include <QWidget>
#include <string>

namespace vondrel::testing {

inline QString ShownText(const QString& text, Qt::TextFormat format) {
    const bool markup = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (!markup) return text;
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText();
}

inline std::string Shown(const QLabel* label) { return ShownText(label->text(), label->textFormat()).toStdString(); }

// A tool tip is shown by a label of automatic format.
inline std::string ShownToolTip(const QWidget* widget) {
    return ShownText(widget->toolTip(), Qt::AutoText).toStdString();
}

}  // namespace vondrel::testing
