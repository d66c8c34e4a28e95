// The joint report's file, the report window's basal choices and the
// joint report's separator.
#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "browser/BrowserExports.h"
#include "platform/Desktop.h"

namespace vondrel::browser {
namespace {

using testing::ScriptedDialogs;
using testing::TempFolder;

struct Opener : platform::DesktopOpener {
    bool ok = true;
    std::vector<std::string> opened;
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return ok;
    }
};

TEST(JointReport, WrittenStampedOpenedOrTold) {
    auto now = platform::FromLocal({2026, 12, 9, 14, 5, 7});
    platform::SetClockForTest([now] { return now; });
    TempFolder project;
    Opener opener;
    platform::SetDesktopOpener(&opener);
    std::vector<std::string> status;
    SetExportStatus([&](const std::string& text) { status.push_back(text); });
    std::string path = WriteJointReport(project.Path(), "Acq:;a\r\n", "Group/Time[min];0\r\n");
    EXPECT_EQ(status, std::vector<std::string>{"Export written to " + path});
    EXPECT_EQ(path, project / "joint_report20261209140507.csv");
    EXPECT_EQ(project.Read("joint_report20261209140507.csv"),
              "Joint Report [2026-12-09 14:05.07]\r\nAcq:;a\r\n\r\nGroup/Time[min];0\r\n\r\n");
    EXPECT_EQ(opener.opened, std::vector<std::string>{path});
    {
        // Without a tag list: the title and two empty lines.
        opener.ok = false;
        ScriptedDialogs boxes;
        boxes.ExpectMessage("The file " + path + " could not be opened with the desktop's viewer.");
        WriteJointReport(project.Path(), "", "");
        EXPECT_EQ(project.Read("joint_report20261209140507.csv"), "Joint Report [2026-12-09 14:05.07]\r\n\r\n\r\n");
        EXPECT_EQ(status.back(), "Export written to " + path + " (no viewer opened it: open it from there)");
    }
    {
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Error writing " + project / "gone/joint_report20261209140507.csv");
        EXPECT_EQ(WriteJointReport(project / "gone", "", ""), "");
        EXPECT_EQ(opener.opened.size(), 2u);
    }
    EXPECT_EQ(status.size(), 2u);  // nothing written, nothing said
    SetExportStatus({});
    platform::SetDesktopOpener(nullptr);
    platform::SetClockForTest({});
}

TEST(BasalItems, StampsOfTheOwningProject) {
    const std::vector<std::string> lines = {
        "+ 2024.0401\tp00002_Flies",
        "+ 2024.0315_s2\tp00001_Larvae",
        "  > 2024.0317\t ACQ09:00 \"Third run\"\t\t",
        "  > 2024.0315_s2\t ACQ12:30 \"First run\"\t\t[K1] [K3]",
        "+ 2023.0101\tp00003_Other",
        "  > 2023.0101\t ACQ08:15 \"Old\"\t\t",
    };
    EXPECT_EQ(BasalItems(lines, 3), (std::vector<std::string>{"-", "20240317_0900", "20240315_1230"}));
    EXPECT_EQ(BasalItems(lines, 5), (std::vector<std::string>{"-", "20230101_0815"}));
    EXPECT_EQ(BasalItems(lines, 0), (std::vector<std::string>{"-"}));
    EXPECT_EQ(BasalItems(lines, -1), (std::vector<std::string>{"-"}));
}

TEST(JointReportSpacer, SemicolonWhenEmpty) {
    EXPECT_EQ(JointReportSpacer(""), ";");
    EXPECT_EQ(JointReportSpacer("\t"), "\t");
}

}  // namespace
}  // namespace vondrel::browser
