// The report window's "Excel [.xlsx]": the CSV report, then the workbook
// beside it, opened on the desktop.
#include <QLineEdit>
#include <QRadioButton>

#include "ReportFixture.h"
#include "WindowFixture.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/Zip.h"
#include "reports/qt/Frm_report.h"
#include "reports/qt/Frm_reportset.h"

namespace vondrel::testing {
namespace {

class WorkbookWindowTest : public WindowTest {
protected:
    WorkbookWindowTest() {
        platform::SetListSeparatorForTest(",");
        platform::SetDecimalSeparatorForTest(".");
        InstallReportWindows();
        FrmMain();
    }
    ~WorkbookWindowTest() override {
        UnloadReportWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetListSeparatorForTest("");
        platform::SetDecimalSeparatorForTest("");
    }
    reports::testing::RecordedRun run;
    reports::testing::RecordingOpener opener;
};

TEST_F(WorkbookWindowTest, ExcelWritesTheCsvAndOpensTheWorkbook) {
    Frm_report& w = FrmReport();
    w.Txt_inputfile->setText(QString::fromStdString(run.folder));
    w.Option_report[2]->click();
    EXPECT_EQ(w.txt_customspacer->text(), " ");
    ASSERT_TRUE(w.Cmd_generate_Click());
    const std::string workbook = run.folder + "/report_20261210090507.xlsx";
    EXPECT_EQ(opener.opened, std::vector<std::string>{workbook});
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.csv"));
    const std::string bytes = platform::ReadBinaryFile(workbook).value_or("");
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04");
    EXPECT_EQ(bytes.substr(30, 19), "[Content_Types].xml");
    // Nothing else was left in the acquisition's folder by the export.
    for (const auto& name : platform::ListFolder(run.folder))
        EXPECT_TRUE(name.find(".tmp-") == std::string::npos) << name;
}

}  // namespace
}  // namespace vondrel::testing
