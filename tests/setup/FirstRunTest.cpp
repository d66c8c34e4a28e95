// A fresh install records: the launcher's "Setup a New Project", "New...", a
// plate format, groups by a drag on two stations, notes, "Continue to Run..."
// (which connects to the simulated instrument) and Play; the run's folder in
// p00001 holds its counts, the groups and the notes.
#include <QMouseEvent>
#include <filesystem>
#include <memory>

#include "SetupFixture.h"
#include "acquisition/RunDataFiles.h"
#include "mainwindow/Canvas.h"
#include "platform/Files.h"
#include "setup/PlateGroups.h"
#include "store/RunFiles.h"

namespace vondrel {
namespace {

using platform::Reply;

class FirstRun : public testing::SetupTest {
protected:
    void Drag(Frm_setup& w, int r0, int c0, int r1, int c1) {
        auto at = [](int r, int c) {
            return QPointF((c + 0.5) * g_plate_col_pitch * 100 + g_plate_col_offset * 100,
                           (r + 0.5) * g_plate_row_pitch * 100 + g_plate_row_offset * 100);
        };
        auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons held) {
            const QPointF px = w.Picwell->ToPixel(p.x(), p.y());
            QMouseEvent e(type, px, w.Picwell->mapToGlobal(px), b, held, Qt::NoModifier);
            QCoreApplication::sendEvent(w.Picwell, &e);
        };
        send(QEvent::MouseMove, at(r0, c0), Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonPress, at(r0, c0), Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, at(r1, c1), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at(r1, c1), Qt::LeftButton, Qt::NoButton);
    }
};

TEST_F(FirstRun, FreshFolderToARecordedWindowInP00001) {
    Prepare();
    ASSERT_TRUE(Start());

    FrmInit().cmd_option1_Click();
    Frm_setup& w = FrmSetup();
    ASSERT_FALSE(w.isHidden());
    w.resize(1000, 750);
    QCoreApplication::processEvents();
    NewProject("Worms");
    ASSERT_EQ(g_project_folder, home / "p00001");

    w.Combowell->setEditText("w24");
    boxes.ExpectMessage("Load New Plate configuration?", Reply::Yes);
    boxes.ExpectMessage("24 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W24' plate Adapter");
    w.Combowell_Click();
    ASSERT_TRUE(PumpUntil([&] { return g_plate_format == "w24"; }));
    w.ClearStationGroups();
    Drag(w, 0, 0, 1, 2);  // A1..B3 on station 1
    w.plate_option[1]->setChecked(true);
    w.plate_option_Click(1);
    setup::ClearGroups(setup::StationGroups(1));
    Drag(w, 2, 3, 3, 5);  // C4..D6 on station 2
    w.Txt_description->setPlainText("N2 worms\nday 1");

    ScaleForSimulator();
    auto sim = std::make_unique<testing::SimProcess>(home.Path(), g_com_port, std::vector<std::string>{"--mode", "parity48"});
    g_connected = 0;
    w.Command_main_Click();
    ASSERT_EQ(g_connected, kTrue);
    Frm_Main& main = FrmMain();
    EXPECT_FALSE(main.isHidden());
    EXPECT_TRUE(w.isHidden());

    main.mnCalibra->setCheckState(Qt::Checked);
    main.mnZero->setCheckState(Qt::Checked);
    for (int k = 0; k < 4; ++k) main.chk_enabled[k]->setCheckState(k < 2 ? Qt::Checked : Qt::Unchecked);
    const std::string stars(49, '*');
    boxes.ExpectInput(stars + "\r\n***   Enter a Name for this Experiment  ***\r\n" + stars + "\r\n", "First run");
    w.show();  // left open beside the main window: Play hides it for the run
    main.CmdPlay_Click();
    main.Timeradq->stop();
    ASSERT_EQ(g_run_state, 1);
    EXPECT_TRUE(w.isHidden());
    main.m_run.m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    main.Timeradq_Timer();
    main.CmdStop_Click();

    for (int n : {1, 2}) {
        const std::string folder = AcquisitionFolder(g_project_folder, main.m_run.m_acquisition_stamp, n);
        ASSERT_EQ(folder.rfind(home / "p00001", 0), 0u);
        auto counts = platform::ReadBinaryFile(platform::JoinPath(folder, "counts.bin"));
        ASSERT_TRUE(counts) << folder;
        EXPECT_EQ(counts->size(), 774u);
        EXPECT_EQ(ReadSubprojectName(folder), "First run");
        EXPECT_EQ(ReadSubprojectComments(folder), "N2 worms\r\nday 1");
        // The station's groups: well A1 (station 1) or C4 (station 2) in group 0.
        auto groups = platform::ReadTextFile(platform::JoinPath(folder, "chgroup.dat"));
        ASSERT_TRUE(groups);
        const int well = n == 1 ? 0 : 3 * 4 + 2;
        const int channel = setup::ChannelAt(well, 0);
        EXPECT_NE(groups->find("\r\n" + std::to_string(channel) + ",0\r\n"), std::string::npos) << *groups;
    }
}

}  // namespace
}  // namespace vondrel
