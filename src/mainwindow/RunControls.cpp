// Run controls of the main window that the acquisition run completes:
// connect, Play, Stop, the organism threshold preset and the light and
// temperature enables. Until then they keep only what the start-up sequence
// relies on.
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "mainwindow/Frm_Main.h"

namespace vondrel {

// A check box's Click runs whenever its value changes, from the user or from
// code, as on the original toolkit.
void Frm_Main::ConnectRunControls() {
    connect(cmd_connect, &QPushButton::clicked, this, [this] { cmd_connect_Click(); });
    connect(CmdPlay, &QPushButton::clicked, this, [this] { CmdPlay_Click(); });
    connect(CmdStop, &QPushButton::clicked, this, [this] { CmdStop_Click(); });
    connect(Chk_lenabled, &QCheckBox::stateChanged, this, [this] { Chk_lenabled_Click(); });
    connect(Chk_tenabled, &QCheckBox::stateChanged, this, [this] { Chk_tenabled_Click(); });
}

// Connecting to the instrument is done by the acquisition run. In autorun the
// start-up goes on to its step 6 whether or not an instrument was found.
void Frm_Main::cmd_connect_Click() {
    if (m_autorun) {
        m_startup_step = 6;
        Timerinicio->start();
    }
}

// Starting a run is done by the acquisition run.
void Frm_Main::CmdPlay_Click() {}

// Stopping a run is done by the acquisition run.
void Frm_Main::CmdStop_Click() {}

// The organism's SNR preset is applied by the acquisition run's options.
void Frm_Main::ApplyOrganismThreshold() {}

// The light schedule's and the temperature control's enables are handled by
// the acquisition run's options.
void Frm_Main::Chk_lenabled_Click() {}
void Frm_Main::Chk_tenabled_Click() {}

}  // namespace vondrel
