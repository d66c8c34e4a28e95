// Pausing and resuming a run, the threshold label's switch and the tool
// frames of the "More..." menu.
#include <QAction>
#include <QCloseEvent>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "acquisition/Acquisition.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/Windows.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/ProgramEnd.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "store/Project.h"

namespace vondrel {

namespace {

// Runs a handler when a label is clicked.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick) : QObject(parent), onClick_(std::move(onClick)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            onClick_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

void Frm_Main::CmdPause_Click() {
    AcquisitionState& st = m_run;
    if (g_run_state == 1) {
        // The tick goes on under the question: the pause applies only to a
        // run that still runs when it is answered.
        const bool freeze = platform::AskYesNo("Pause Time Counter?");
        if (g_run_state != 1) return;
        if (freeze) {
            Timeradq->stop();
            g_run_state = 2;
            m_paused_elapsed = ToDays(platform::Now()) - st.m_run_start;
            m_pause_freezes_time = kTrue;
            lbl_autochannel->setText("Time Counter = OFF");
        } else {
            m_pause_freezes_time = 0;
            g_run_state = 2;
            lbl_autochannel->setText("Time Counter = ON");
        }
        frm_autotext->show();
        lbl_autotext->setText("<< PAUSED >>");
        return;
    }
    // Stopped, there is nothing to resume: starting the tick here would run
    // it without Play.
    if (g_run_state != 2) return;
    if (m_pause_freezes_time == kTrue) st.m_run_start = ToDays(platform::Now()) - m_paused_elapsed;
    st.m_tick_count = 0;
    st.m_com_error_count = 0;
    Timeradq->start();
    g_run_state = 1;
    m_pause_freezes_time = 0;
    frm_autotext->hide();
}

// Exit, from the menu or by closing the window. A running run ends first
// (no window close or end-of-run box under the question); the project is
// saved when the user asks, and a run's actuators are switched off before
// the port closes. The program always ends.
void Frm_Main::Form_Unload() {
    const bool running = g_run_state == 1 || g_run_state == 2;
    PortHold hold;
    Timeradq->stop();
    if (g_offline == 0) {
        const std::string project = std::to_string(g_project_number) + "_" + g_project_name;
        if (platform::AskYesNo("Update values to project " + project + " before Exit?")) {
            std::string failed;
            if (!SaveProject(g_project_folder, g_project_number, -1, &failed)) {
                platform::MsgBox("Error saving project: " + failed);
            } else {
                platform::SleepMs(300);
                platform::PumpEvents();
                platform::SleepMs(300);
            }
        }
    }
    CloseInstrument(running);
    EndProgram(0);
}

void Frm_Main::mnexit_Click() { Form_Unload(); }

void Frm_Main::closeEvent(QCloseEvent* event) {
    // A request to keep the window open is not honoured: closing ends the
    // program, once the port is free.
    event->ignore();
    if (m_unloading) return;
    m_unloading = true;
    WhenPortFree(this, [this] { Form_Unload(); });
}

void Frm_Main::lbl_umbral_Click() {
    if (!txt_snr_umbral->isHidden()) {
        lbl_umbral->setText(">>>>");
        txt_snr_umbral->hide();
    } else {
        lbl_umbral->setText("> Zero SNR:");
        txt_snr_umbral->show();
    }
}

namespace {

void ToggleToolFrame(QGroupBox* frame, int16_t& flag) {
    if (!frame->isHidden()) {
        frame->hide();
        flag = 0;
    } else {
        platform::MsgBox("Only available in some hardware versions");
        frame->show();
        flag = 1;
    }
}

}  // namespace

void Frm_Main::lght_ctl_Click() { ToggleToolFrame(Frame_light, g_tool_light); }

void Frm_Main::temp_ctl_Click() { ToggleToolFrame(Frame_temp, g_tool_temp); }

// The technical panel is for the technician: its menu asks for a fixed
// password, typed into a masked box and compared exactly, as often as the
// user tries.
void Frm_Main::mn_technical_Click() {
    static const char* const kTechnicalPassword = "Kelpo5829";
    if (platform::PasswordBox("Enter Password") != kTechnicalPassword) {
        platform::MsgBox("Wrong Password");
        return;
    }
    if (Hooks().showTechnicalPanel)
        Hooks().showTechnicalPanel();
    else
        platform::MsgBox("The technical panel is not available in this version.");
}

void Frm_Main::ConnectMainMenus() {
    connect(CmdPause, &QPushButton::clicked, this, [this] { CmdPause_Click(); });
    connect(lght_ctl, &QAction::triggered, this, [this] { lght_ctl_Click(); });
    connect(temp_ctl, &QAction::triggered, this, [this] { temp_ctl_Click(); });
    connect(mn_technical, &QAction::triggered, this, [this] { mn_technical_Click(); });
    connect(mnexit, &QAction::triggered, this, [this] {
        if (m_unloading) return;
        m_unloading = true;
        WhenPortFree(this, [this] { mnexit_Click(); });
    });
    lbl_umbral->installEventFilter(new ClickFilter(lbl_umbral, [this] { lbl_umbral_Click(); }));
}

}  // namespace vondrel
