#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFont>
#include <QUrl>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <cstdio>

#include "platform/Events.h"

namespace vondrel::platform {

namespace {
QString TitleOf(const std::string& title) {
    return title.empty() ? QString::fromUtf8(kProgramTitle) : QString::fromStdString(title);
}
}  // namespace

Reply QtDialogs::Message(const std::string& text, Buttons buttons, const std::string& title) {
    // Every message also goes to standard error, so a run from a terminal or a
    // script shows what the program said.
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    QMessageBox box;
    box.setWindowTitle(TitleOf(title));
    // Texts come from files, the instrument and web services: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return Reply::Ok;
        case QMessageBox::Yes: return Reply::Yes;
        case QMessageBox::No: return Reply::No;
        default: return Reply::Cancel;
    }
}

namespace {
std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText, QLineEdit::EchoMode echo) {
    // The prompt goes to standard error like every message; the answer never does.
    std::fprintf(stderr, "%s\n", prompt.c_str());
    std::fflush(stderr);
    QInputDialog box;
    box.setWindowTitle(TitleOf(title));
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(echo);
    box.setLabelText(QString::fromStdString(prompt));
    box.setTextValue(QString::fromStdString(defaultText));
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
}
}  // namespace

std::optional<std::string> QtDialogs::Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
    return AskText(prompt, title, defaultText, QLineEdit::Normal);
}

std::optional<std::string> QtDialogs::Password(const std::string& prompt, const std::string& title) {
    return AskText(prompt, title, "", QLineEdit::Password);
}

bool QtDesktopOpener::Open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtDesktopOpener::OpenUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

void UseApplicationFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

void InstallQtPlatform() {
    static QtDialogs dialogs;
    static QtDesktopOpener opener;
    SetDialogs(&dialogs);
    SetDesktopOpener(&opener);
    SetEventPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

}  // namespace vondrel::platform
