// The browser's single-animal path tracking: the button that prepares,
// plays and pauses the walk, the animation's timer, the frames saved as
// images and the tracking popup's exports. The walk itself is TrackWalk's.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QTimer>

#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

namespace vondrel {

void Frm_offline::ReadTrackThresholdBox() {
    const auto t = browser::ReadTrackThreshold(Str(frmtxt_threshold->text()));
    if (t.reset) {
        frmtxt_threshold->setText("1.8");
        frmtxt_threshold->repaint();
    }
    m_track.threshold = t.value;
}

void Frm_offline::DrawTrackGrid() {
    ReplayPlan(*Picreal, browser::TrackGridPlan(m_config));
    Txtpage->setText("0");
    Txtpage->setVisible(true);
}

void Frm_offline::cmd_track_Click() {
    const std::string frames = platform::JoinPath(m_acquisition_path, "bmp");
    if (chk_bmp->isChecked() && !platform::FolderExists(frames)) platform::MakeFolder(frames);
    Frame_bisize->hide();
    Txtpage->resize(static_cast<int>(width() / 6.5 * 0.4), Txtpage->height());
    // A walk that could not be loaded is prepared again, never played.
    if (m_view_mode != 6 || !m_track.loaded()) {
        m_view_mode = 6;
        chk_bmp->show();
        Timer_play->stop();
        DrawTrackGrid();
        ReadTrackThresholdBox();
        if (!m_track.Load(m_config, m_acquisition_path, m_config.setup.rtBuffer))
            platform::MsgBox("Activity file not Found");
        return;
    }
    if (Timer_play->isActive()) {
        Timer_play->stop();
    } else {
        m_track_step = 0;
        Timer_play->start();
    }
}

void Frm_offline::TrackStep(bool draw) {
    ReadTrackThresholdBox();
    if (!draw) {
        m_track.LocateAnimals(nullptr);
        return;
    }
    std::vector<browser::PlotPrimitive> drawn;
    m_track.LocateAnimals(&drawn);
    Txtpage->setText(Q(m_track.StepText()));
    if (drawn.empty()) return;
    DrawPrimitives(*Picreal, drawn);
    Picreal->update();
    if (chk_bmp->isChecked()) {
        const int64_t frame = int64_t{browser::kTrackSamples} * m_track.block() + m_track.sample();
        Picreal->SaveBmp(platform::JoinPath(platform::JoinPath(m_acquisition_path, "bmp"), FormatPadded(frame, 5) + ".bmp"));
    }
}

void Frm_offline::Timer_play_Timer() {
    Timer_play->stop();
    if (m_view_mode != 6 || !m_track.loaded()) return;
    Timer_play->setInterval(m_track_tick_ms);
    if (m_track_step < m_track.LastStep()) {
        ++m_track_step;
        TrackStep(true);
        Timer_play->start();
    } else {
        ExportTravelDistance(m_track.records() - 1);
    }
}

void Frm_offline::ExportTravelDistance(int lastBlock) {
    browser::ExportTravelDistance(m_track, m_config, m_acquisition_path, lastBlock);
}

void Frm_offline::mn_datatrack_Click() {
    Timer_play->stop();
    if (m_view_mode != 6 || !m_track.loaded()) return;
    // The rest of the walk without drawing; the window keeps answering.
    for (int64_t i = m_track_step; i <= m_track.LastStep(); ++i) {
        TrackStep(false);
        if (i % 25 == 0) {
            QCoreApplication::processEvents();
            if (m_view_mode != 6) return;  // another view was chosen meanwhile
        }
    }
    ExportTravelDistance(m_track.records() - 1);
    m_track_step = 0;
    m_view_mode = 99;
}

void Frm_offline::mn_bmptrack_Click() { ExportPlotImage("trackimg.bmp"); }

}  // namespace vondrel
