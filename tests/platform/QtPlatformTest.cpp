// The Qt message and input boxes and the program's labels show their texts
// as plain text: a web answer or a file's text holding markup is shown as
// written, never as a link or formatting. The password box masks what is
// typed; the plain input box shows it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "platform/qt/NamedWidget.h"
#include "platform/qt/QtPlatform.h"

namespace vondrel::platform {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "platform_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

const QString kMarkup = "answer:<a href=\"https://example.test/\">click</a> <b>bold</b>";

// Once the modal box is up, records the format of the label that holds the
// text, then closes the box.
struct BoxWatcher {
    QTimer timer;
    bool seen = false;
    Qt::TextFormat format = Qt::AutoText;
    bool linkOpens = true;
    BoxWatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QLabel* l : box->findChildren<QLabel*>()) {
                if (l->text() != kMarkup) continue;
                seen = true;
                format = l->textFormat();
                linkOpens = l->openExternalLinks();
            }
            box->reject();
        });
        timer.start(10);
    }
};

TEST(QtBoxes, MarkupInTextsIsShownAsWritten) {
    App();
    QtDialogs dialogs;
    {
        BoxWatcher w;
        dialogs.Message(kMarkup.toStdString(), Buttons::Ok, "");
        EXPECT_TRUE(w.seen);
        EXPECT_EQ(w.format, Qt::PlainText) << "message box";
    }
    {
        BoxWatcher w;
        EXPECT_EQ(dialogs.Input(kMarkup.toStdString(), "", "x"), std::nullopt);
        EXPECT_TRUE(w.seen);
        EXPECT_EQ(w.format, Qt::PlainText) << "input box";
    }
}

// Once the modal input box is up, enters a text into its line edit, records the
// echo mode and what the line edit shows, then accepts the box.
struct TypingWatcher {
    QTimer timer;
    bool seen = false;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString shown;
    TypingWatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box) return;
            auto* edit = box->findChild<QLineEdit*>();
            if (edit) {
                seen = true;
                edit->clear();
                edit->insert("secret");
                echo = edit->echoMode();
                shown = edit->displayText();
            }
            box->accept();
        });
        timer.start(10);
    }
};

TEST(QtBoxes, PasswordBoxMasksWhatIsTypedAndTheInputBoxShowsIt) {
    App();
    QtDialogs dialogs;
    {
        TypingWatcher w;
        EXPECT_EQ(dialogs.Password("Enter Password", ""), std::optional<std::string>("secret"));
        ASSERT_TRUE(w.seen);
        EXPECT_EQ(w.echo, QLineEdit::Password);
        EXPECT_FALSE(w.shown.contains("secret")) << w.shown.toStdString();
        EXPECT_EQ(w.shown.size(), 6);  // one mask character a letter typed
    }
    {
        TypingWatcher w;
        EXPECT_EQ(dialogs.Input("Name", "", ""), std::optional<std::string>("secret"));
        ASSERT_TRUE(w.seen);
        EXPECT_EQ(w.echo, QLineEdit::Normal);
        EXPECT_EQ(w.shown, "secret");
    }
}

TEST(QtBoxes, LabelsOfTheWindowsArePlainText) {
    App();
    QWidget parent;
    QLabel* label = Make<QLabel>(&parent, "lbl", kMarkup);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace vondrel::platform
