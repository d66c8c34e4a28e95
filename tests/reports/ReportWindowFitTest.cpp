// Every caption of the report window and the report settings dialog fits its
// control and no two controls meet, at the opening size and on the usual
// desktops; pictures at 1366 x 768 go to the screenshots folder.
#include <gtest/gtest.h>

#include "LayoutCheck.h"
#include "WindowFixture.h"
#include "reports/qt/Frm_report.h"
#include "reports/qt/Frm_reportset.h"

namespace vondrel::testing {
namespace {

// Report window controls that are meant to lie on one another.
const std::vector<DesignedOverlap> kReportOverlaps = {
};

// Faults found and not yet mended; a fault not listed here fails the test.
const std::vector<const char*> kReportKnown = {
};

void CheckSizes(QWidget& w, const QString& name) {
    CheckWindowSizes(w, kReportOverlaps, kReportKnown, QStringLiteral(VONDREL_WINDOW_PICTURES), name);
}

class ReportWindowFit : public WindowTest {
protected:
    ReportWindowFit() {
        InstallReportWindows();
        FrmMain();
    }
    ~ReportWindowFit() override {
        UnloadReportWindow();
        UnloadReportSetWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(ReportWindowFit, ReportWindow) { CheckSizes(FrmReport(), QStringLiteral("report")); }

TEST_F(ReportWindowFit, ReportWindowFromTheMainWindow) {
    Frm_report& w = FrmReport();
    w.show();
    w.Cmd_cancel->click();  // the shorter form the main window opens
    CheckSizes(w, QStringLiteral("report-short"));
}

TEST_F(ReportWindowFit, ReportSettings) { CheckSizes(FrmReportSet(), QStringLiteral("report-settings")); }

}  // namespace
}  // namespace vondrel::testing
