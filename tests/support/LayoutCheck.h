// Walks a shown window and lists what a person would see cut or covered:
// a visible caption wider or taller than its control's content rectangle
// (labels, buttons, check boxes, radio buttons, the current text of combo
// boxes, group box titles), the text of a display box wider than the box
// (so that it scrolls and its start is hidden), a captioned control or a
// text box reaching past its parent's edge, and two visible sibling controls
// that overlap. Designed overlaps are named by the caller as pairs of object
// names, each with its reason.
//
// A display box is a text box the user does not type into: one that is
// read-only or disabled, or one the caller names as filled by the program.
// The text of a box the user types into may well be longer than the box.
// Header only: the tests that use it link Qt Widgets already.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QWidget>
#include <string>
#include <vector>

namespace vondrel::testing {

// Two siblings allowed to overlap. A name ending in "*" matches every name
// that begins with what stands before it ("*" alone: any sibling).
struct DesignedOverlap {
    const char* first;
    const char* second;
};

namespace layout_detail {

inline QString Name(const QWidget* w) {
    QString n = w->objectName();
    if (n.isEmpty()) n = QString::fromLatin1(w->metaObject()->className());
    return n;
}

// The widget's place from the window, for the messages.
inline QString Path(const QWidget* w, const QWidget* window) {
    QStringList parts;
    for (const QWidget* p = w; p && p != window; p = p->parentWidget()) parts.prepend(Name(p));
    return parts.join('/');
}

// The caption as drawn: one '&' of a mnemonic taken out, "&&" drawn as one.
inline QString Drawn(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove('&');
    text.replace(QChar(1), QChar('&'));
    return text;
}

inline int TextWidth(const QFontMetrics& fm, const QString& text) {
    int w = 0;
    for (const QString& line : text.split('\n')) w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

inline int TextHeight(const QFontMetrics& fm, const QString& text) {
    return fm.height() * static_cast<int>(text.count('\n') + 1);
}

// Widgets whose children are their own parts (a combo box's line edit, a
// scroll area's bars), not controls placed by the window.
inline bool Composite(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const QToolBar*>(w) ||
           qobject_cast<const QMenuBar*>(w) || qobject_cast<const QStatusBar*>(w);
}

inline bool Matches(const char* pattern, const QWidget* w) {
    const QString p = QString::fromLatin1(pattern);
    if (p.endsWith('*')) return w->objectName().startsWith(p.chopped(1));
    return w->objectName() == p;
}

inline bool Allowed(const QWidget* a, const QWidget* b, const std::vector<DesignedOverlap>& allowed) {
    for (const DesignedOverlap& o : allowed)
        if ((Matches(o.first, a) && Matches(o.second, b)) || (Matches(o.first, b) && Matches(o.second, a)))
            return true;
    return false;
}

// What the checker knows of the window beyond its widgets.
struct Rules {
    const std::vector<DesignedOverlap>& overlaps;
    // Text boxes that the program fills and the user does not type into,
    // though they are editable (names, or prefixes ending in "*").
    const std::vector<const char*>& displayBoxes;
};

inline bool TextBox(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

// A text box that shows what the program puts in it: read-only, disabled,
// or named by the caller.
inline bool DisplayBox(const QWidget* w, const Rules& rules) {
    if (!w->isEnabled()) return true;
    if (auto* e = qobject_cast<const QLineEdit*>(w); e && e->isReadOnly()) return true;
    if (auto* s = qobject_cast<const QAbstractSpinBox*>(w); s && s->isReadOnly()) return true;
    if (auto* t = qobject_cast<const QTextEdit*>(w); t && t->isReadOnly()) return true;
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w); t && t->isReadOnly()) return true;
    for (const char* name : rules.displayBoxes)
        if (Matches(name, w)) return true;
    return false;
}

// The rectangle a line edit draws its text in, as its paint event finds it:
// the style's contents rectangle less the text margins and the edit's own
// margin of 2 pixels on each side.
inline QRect LineEditTextRect(const QLineEdit* edit) {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = edit->rect();
    opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    if (edit->isReadOnly()) opt.state |= QStyle::State_ReadOnly;
    QRect r = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
    r = r.marginsRemoved(edit->textMargins());
    return r.adjusted(2, 0, -2, 0);
}

// A display box whose text is wider than the room it is drawn in: the box
// scrolls it and its start (or end) is hidden. Multi-line text editors are
// checked only when they hold one line of text shown without wrapping.
inline void CheckDisplayText(QWidget* w, const QWidget* window, std::vector<std::string>& faults) {
    QString text;
    QRect room;
    QFont font = w->font();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        text = edit->displayText();
        room = LineEditTextRect(edit);
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        auto* inner = spin->findChild<QLineEdit*>();
        if (!inner) return;
        text = inner->displayText();
        room = LineEditTextRect(inner);
        font = inner->font();
    } else {
        QAbstractScrollArea* area = qobject_cast<QAbstractScrollArea*>(w);
        QTextDocument* doc = nullptr;
        bool wraps = false;
        if (auto* t = qobject_cast<QTextEdit*>(w)) {
            doc = t->document();
            wraps = t->lineWrapMode() != QTextEdit::NoWrap;
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            doc = p->document();
            wraps = p->lineWrapMode() != QPlainTextEdit::NoWrap;
        }
        if (!doc || !area || wraps || doc->blockCount() != 1) return;
        text = doc->toPlainText();
        const int margin = static_cast<int>(doc->documentMargin());
        room = area->viewport()->rect().adjusted(margin, 0, -margin, 0);
        font = doc->defaultFont();
    }
    if (text.isEmpty()) return;
    // The edit counts one pixel more than the text's advance for its cursor.
    const int need = QFontMetrics(font).horizontalAdvance(text) + 1;
    if (need > room.width())
        faults.push_back(QStringLiteral("%1: display box \"%2\" needs %3, has %4")
                             .arg(Path(w, window), text)
                             .arg(need)
                             .arg(room.width())
                             .toStdString());
}

inline void CheckCaption(QWidget* w, const QWidget* window, std::vector<std::string>& faults) {
    auto fault = [&](const QString& what, const QString& text, const QSize& need, const QRect& room) {
        faults.push_back(QStringLiteral("%1: %2 \"%3\" needs %4x%5, has %6x%7")
                             .arg(Path(w, window), what, text)
                             .arg(need.width())
                             .arg(need.height())
                             .arg(room.width())
                             .arg(room.height())
                             .toStdString());
    };
    const QFontMetrics fm(w->font());
    auto check = [&](const QString& what, const QString& text, const QRect& room) {
        if (text.isEmpty()) return;
        const QSize need(TextWidth(fm, text), TextHeight(fm, text));
        if (need.width() > room.width() || need.height() > room.height()) fault(what, text, need, room);
    };
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return;
        QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                    -label->margin());
        if (label->indent() > 0) room.adjust(label->indent(), 0, 0, 0);
        const QString text = label->text();
        if (label->wordWrap()) {
            // A wrapped caption fits when its wrapped lines fit the height.
            const QRect used = fm.boundingRect(QRect(0, 0, room.width(), 100000),
                                               static_cast<int>(label->alignment()) | Qt::TextWordWrap, text);
            if (used.height() > room.height() || used.width() > room.width())
                fault(QStringLiteral("wrapped label"), text, used.size(), room);
            return;
        }
        check(QStringLiteral("label"), text, room);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        opt.icon = button->icon();
        opt.iconSize = button->iconSize();
        QRect room;
        if (qobject_cast<QCheckBox*>(w)) {
            room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, w);
        } else if (qobject_cast<QRadioButton*>(w)) {
            room = w->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, w);
        } else if (qobject_cast<QPushButton*>(w)) {
            room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, w);
            // The style's own padding of a button's caption on each side.
            const int pad = w->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, w) / 2;
            room.adjust(pad, 0, -pad, 0);
        } else {
            return;  // tool buttons and the like: icons
        }
        if (!button->icon().isNull()) room.adjust(button->iconSize().width() + 4, 0, 0, 0);
        check(QStringLiteral("button"), Drawn(button->text()), room);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = combo->isEditable();
        opt.frame = combo->hasFrame();
        opt.subControls = QStyle::SC_All;
        QRect room = w->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, w);
        // A line edit inside has its own small text margins.
        if (combo->isEditable()) room.adjust(2, 0, -2, 0);
        check(QStringLiteral("combo box"), combo->currentText(), room);
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        if (box->title().isEmpty()) return;
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.lineWidth = 1;
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (box->isCheckable()) opt.subControls |= QStyle::SC_GroupBoxCheckBox;
        opt.textAlignment = box->alignment();
        const QRect titleRect = w->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, w);
        const QFontMetrics bold(box->font());
        const QString title = Drawn(box->title());
        const QSize need(titleRect.left() + TextWidth(bold, title), TextHeight(bold, title));
        if (!box->rect().contains(titleRect) || need.width() > box->width())
            fault(QStringLiteral("group box title"), title, need, box->rect());
    }
}

inline bool Captioned(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) return !l->text().isEmpty();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return !b->text().isEmpty();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return !g->title().isEmpty();
    return qobject_cast<const QComboBox*>(w) != nullptr;
}

inline void Walk(QWidget* parent, const QWidget* window, const Rules& rules, std::vector<std::string>& faults) {
    std::vector<QWidget*> shown;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisibleTo(window)) continue;
        shown.push_back(w);
    }
    const bool scroll = qobject_cast<QAbstractScrollArea*>(parent) != nullptr;
    for (size_t i = 0; i < shown.size(); ++i) {
        QWidget* w = shown[i];
        CheckCaption(w, window, faults);
        if (TextBox(w) && DisplayBox(w, rules)) CheckDisplayText(w, window, faults);
        // A captioned control or a text box cut by its parent's edge (a
        // scroll area's contents are meant to be larger than its viewport).
        if (!scroll && (Captioned(w) || TextBox(w)) && !parent->rect().contains(w->geometry()) &&
            !(parent->parentWidget() && qobject_cast<QAbstractScrollArea*>(parent->parentWidget())))
            faults.push_back(QStringLiteral("%1: reaches past its parent's edge (%2,%3 %4x%5 in %6x%7)")
                                 .arg(Path(w, window))
                                 .arg(w->x())
                                 .arg(w->y())
                                 .arg(w->width())
                                 .arg(w->height())
                                 .arg(parent->width())
                                 .arg(parent->height())
                                 .toStdString());
        if (!scroll)
            for (size_t j = i + 1; j < shown.size(); ++j)
                if (w->geometry().intersects(shown[j]->geometry()) && !Allowed(w, shown[j], rules.overlaps))
                    faults.push_back(QStringLiteral("%1 and %2 overlap")
                                         .arg(Path(w, window), Path(shown[j], window))
                                         .toStdString());
        if (!Composite(w)) Walk(w, window, rules, faults);
    }
}

}  // namespace layout_detail

// The faults of a shown window, one line each; empty when every caption and
// every display box's text fits and no two controls meet but the designed
// ones. `displayBoxes` names the editable boxes that only the program fills.
inline std::vector<std::string> LayoutFaults(QWidget* window, const std::vector<DesignedOverlap>& allowed = {},
                                             const std::vector<const char*>& displayBoxes = {}) {
    std::vector<std::string> faults;
    layout_detail::Walk(window, window, layout_detail::Rules{allowed, displayBoxes}, faults);
    return faults;
}

// Saves a picture of the window as `name`.png into `folder` (made when missing).
inline bool SaveWindowPicture(QWidget* window, const QString& folder, const QString& name) {
    QDir().mkpath(folder);
    return window->grab().save(folder + '/' + name + QStringLiteral(".png"));
}

// The faults of the window, one a line, less those holding one of `known`
// (faults found and not yet mended, listed by the test so that a new one
// still fails it).
inline std::string NewLayoutFaults(QWidget* window, const std::vector<DesignedOverlap>& allowed,
                                   const std::vector<const char*>& known,
                                   const std::vector<const char*>& displayBoxes = {}) {
    QCoreApplication::processEvents();
    std::string all;
    for (const std::string& f : LayoutFaults(window, allowed, displayBoxes)) {
        bool old = false;
        for (const char* k : known) old = old || f.find(k) != std::string::npos;
        if (!old) all += f + '\n';
    }
    return all;
}

// Shows the window and checks it at its opening size, then at 1366 x 768 and
// 1920 x 1080; the 1366 x 768 picture is saved as `name`.png into `folder`.
inline void CheckWindowSizes(QWidget& window, const std::vector<DesignedOverlap>& allowed,
                             const std::vector<const char*>& known, const QString& folder, const QString& name,
                             const std::vector<const char*>& displayBoxes = {}) {
    window.show();
    EXPECT_EQ(NewLayoutFaults(&window, allowed, known, displayBoxes), "")
        << name.toStdString() << " at its opening size " << window.width() << "x" << window.height();
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        window.resize(size);
        EXPECT_EQ(NewLayoutFaults(&window, allowed, known, displayBoxes), "")
            << name.toStdString() << " at " << size.width() << "x" << size.height();
        if (size.width() == 1366) SaveWindowPicture(&window, folder, name);
    }
}

}  // namespace vondrel::testing
