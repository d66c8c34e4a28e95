#include "mainwindow/HelpGuide.h"

#include <QFile>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QBuffer>

namespace vondrel {

std::string UserGuideMarkdown() {
    QFile guide(QStringLiteral(":/vondrel/user-guide.md"));
    if (!guide.open(QIODevice::ReadOnly)) return {};
    return guide.readAll().toStdString();
}

bool WriteHelpPdf(const std::string& path) {
    const std::string markdown = UserGuideMarkdown();
    if (markdown.empty()) return false;
    // The PDF is made in memory first: the file appears only when complete.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(QStringLiteral("Vondrel user guide"));
        writer.setCreator(QStringLiteral("Vondrel"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 10));
        doc.setMarkdown(QString::fromStdString(markdown));
        doc.print(&writer);
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(pdf.data());
    return file.commit();
}

}  // namespace vondrel
