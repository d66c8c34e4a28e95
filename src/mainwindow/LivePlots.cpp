// The live trace on Picreal: the tick's incremental step and temperature
// label, the whole redraw, and the trace zoom buttons.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/QtText.h"
#include "mainwindow/TracePlot.h"

namespace vondrel {

namespace {

class CanvasTraceSink : public TraceSink {
public:
    explicit CanvasTraceSink(Canvas* c) : canvas_(c) {}
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t bgr) override {
        canvas_->Line(x1, y1, x2, y2, bgr);
    }
    void FilledBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t bgr) override {
        canvas_->FilledBox(x1, y1, x2, y2, bgr);
    }

private:
    Canvas* canvas_;
};

}  // namespace

// The selected channel of a station's window, or nothing while the tables
// are not sized for the window length (before the first allocation).
std::optional<TraceView> Frm_Main::TraceOf(int16_t station) const {
    if (station < 0 || station >= kStations) return std::nullopt;
    if (g_selected_channel < 0 || g_selected_channel >= kChannelSlots) return std::nullopt;
    const int n = g_rt_buffer;
    const auto& samples = m_run.m_sample_window[station];
    if (n < 1 || samples.size() < static_cast<size_t>(n) * kChannelSlots ||
        m_run.m_conditioned_window.size() < static_cast<size_t>(n) * kChannelSlots * kStations)
        return std::nullopt;
    TraceView v;
    v.samples = samples.data();
    v.lower = m_run.m_conditioned_window.data();
    v.station = station;
    v.channel = g_selected_channel;
    v.windowLength = n;
    v.sampleIndex = m_run.m_sample_index;
    v.zoom = m_run.m_trace_zoom;
    v.bottom = m_trace_bottom[static_cast<size_t>(g_selected_channel)];
    v.phase = m_run.m_interval_phase;
    return v;
}

void Frm_Main::ClearRealtimePlot() { Picreal->Cls(); }

void Frm_Main::DrawTraceStep(int16_t station) {
    const std::optional<TraceView> v = TraceOf(station);
    if (!v) return;
    CanvasTraceSink sink(Picreal);
    PlanTraceStep(*v, sink);
}

void Frm_Main::RedrawRealtimePlot(int16_t station) {
    ClearRealtimePlot();
    const std::optional<TraceView> v = TraceOf(station);
    if (!v) return;
    CanvasTraceSink sink(Picreal);
    PlanTraceRedraw(*v, sink);
}

void Frm_Main::ShowTemperature() {
    lbl_temperature->setText(Q("T=" + m_run.m_temperature_text + "*C"));
    // The counter printed last is printed again in white, which erases it
    // whatever the count has done since; solid glyphs leave no grey edge.
    Picreal->SetTextColor(kTraceWhite);
    if (!m_counter_text.empty()) Picreal->PrintSolid(10, 250, m_counter_text);
    m_counter_text = "#" + std::to_string(m_run.m_sample_count);
    Picreal->SetTextColor(0);
    Picreal->PrintSolid(10, 250, m_counter_text);
}

void Frm_Main::ComputeTraceReferences() {
    const int16_t k = m_run.m_station;
    if (k < 0 || k >= kStations) return;
    const auto& samples = m_run.m_sample_window[k];
    if (g_rt_buffer < 5 || samples.size() < static_cast<size_t>(g_rt_buffer) * kChannelSlots) return;
    ComputeTraceBottom(samples.data(), g_rt_buffer, m_run.m_sample_index, m_trace_bottom);
}

void Frm_Main::Cmdzoom_plus_Click() {
    if (m_run.m_trace_zoom < kTraceZoomMax) ++m_run.m_trace_zoom;
    txtzoom->setText(QString::number(m_run.m_trace_zoom));
    ComputeTraceReferences();
    RedrawRealtimePlot(m_run.m_station);
}

void Frm_Main::Cmdzoom_minus_Click() {
    if (m_run.m_trace_zoom > 0) --m_run.m_trace_zoom;
    txtzoom->setText(QString::number(m_run.m_trace_zoom));
    if (m_run.m_trace_zoom != 0) ComputeTraceReferences();
    RedrawRealtimePlot(m_run.m_station);
}

// The tick's once-per-run refresh: a zoomed trace gets fresh references at
// the same zoom, an unzoomed one is redrawn.
void Frm_Main::RefreshTracePlot() {
    if (m_run.m_trace_zoom > 0) {
        --m_run.m_trace_zoom;
        Cmdzoom_plus_Click();
    } else {
        RedrawRealtimePlot(m_run.m_station);
    }
}

// The channel buttons step through the group list; at its ends they do
// nothing.
void Frm_Main::cmdbeam_plus_Click() {
    const int row = lstgrup->currentRow();
    if (row >= lstgrup->count() - 1) return;
    StepChannelList(row < 0 ? 0 : row + 1);
}

void Frm_Main::cmdbeam_minus_Click() {
    const int row = lstgrup->currentRow();
    if (row <= 0) return;
    StepChannelList(row - 1);
}

void Frm_Main::StepChannelList(int row) {
    lstgrup->setCurrentRow(row);
    txtbeam->setText(lstgrup->item(row)->text());
    lstgrup_DblClick();
}

void Frm_Main::ConnectLivePlots() {
    connect(Cmdzoom_plus, &QPushButton::clicked, this, [this] { Cmdzoom_plus_Click(); });
    connect(Cmdzoom_minus, &QPushButton::clicked, this, [this] { Cmdzoom_minus_Click(); });
    connect(cmdbeam_plus, &QPushButton::clicked, this, [this] { cmdbeam_plus_Click(); });
    connect(cmdbeam_minus, &QPushButton::clicked, this, [this] { cmdbeam_minus_Click(); });
}

}  // namespace vondrel
