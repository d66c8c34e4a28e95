// The activity panel Picact: the bar, plate and histogram plots drawn from
// their plans, their frames, the plot-type buttons and the page buttons.
#include <QPushButton>

#include "mainwindow/ActivityPlots.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainLayout.h"

namespace vondrel {

namespace {

class CanvasPanelSink : public PanelSink {
public:
    explicit CanvasPanelSink(Canvas* c) : canvas_(c) {}
    void FilledBox(double x1, double y1, double x2, double y2, uint32_t bgr) override {
        canvas_->FilledBox(x1, y1, x2, y2, bgr);
    }
    void Box(double x1, double y1, double x2, double y2, uint32_t bgr) override { canvas_->Box(x1, y1, x2, y2, bgr); }
    void Print(double x, double y, const std::string& text) override { canvas_->Print(x, y, text); }
    void SetDrawWidth(int pixels) override { canvas_->SetDrawWidth(pixels); }
    void SetTextColor(uint32_t bgr) override { canvas_->SetTextColor(bgr); }

private:
    Canvas* canvas_;
};

PlateGeometry CurrentPlate() {
    PlateGeometry g;
    g.rows = g_plate_rows;
    g.cols = g_plate_cols;
    g.rowPitch = g_plate_row_pitch;
    g.colPitch = g_plate_col_pitch;
    g.rowOffset = g_plate_row_offset;
    g.colOffset = g_plate_col_offset;
    return g;
}

bool ValidStation(int16_t station) { return station >= 0 && station < kStations; }

}  // namespace

void Frm_Main::DrawGroupBars(int16_t station) {
    if (!ValidStation(station)) return;
    const GroupBarPlan plan = PlanGroupBars(m_run.m_cumulative_count[static_cast<size_t>(station)],
                                            StationChannelGroups(station), m_plot_page, m_plot_page_limit,
                                            m_activity_zoom);
    m_plot_page_limit = static_cast<int16_t>(plan.pageLimit);
    if (plan.showPageButtons) {
        cmd_pgdown->show();
        cmd_pgup->show();
    }
    m_activity_zoom = plan.zoom;
    CanvasPanelSink sink(Picact);
    DrawGroupBarPlan(plan, StationGroupNames(station), sink);
    m_activity_zoom = plan.nextZoom;
}

void Frm_Main::DrawGridCells(int16_t station) {
    if (!ValidStation(station)) return;
    const PlateGeometry plate = CurrentPlate();
    CanvasPanelSink sink(Picact);
    DrawGridCellPlan(plate, PlanGridCells(plate, m_run.m_cumulative_count[static_cast<size_t>(station)], g_channel_well),
                     sink);
}

// The histogram shows the group numbered by the page.
void Frm_Main::DrawHistogram(int16_t station) {
    if (!ValidStation(station)) return;
    const int group = m_plot_page;
    const HistogramPlan plan = PlanHistogram(m_run.m_peak_histogram, StationChannelGroups(station), group,
                                             m_run.m_seconds_per_sample_total, m_run.m_histogram_record_count);
    m_activity_zoom = plan.zoom;
    m_plot_page_limit = kHistogramPages;
    cmd_pgdown->show();
    cmd_pgup->show();
    const std::string name =
        group >= 0 && group < kChannelSlots ? StationGroupNames(station)[static_cast<size_t>(group)] : std::string();
    CanvasPanelSink sink(Picact);
    DrawHistogramPlan(plan, name, sink);
    m_activity_zoom = plan.nextZoom;
}

void Frm_Main::Dibujar_ejes_barplot() {
    CanvasPanelSink sink(Picact);
    DrawAxisBars(sink);
}

void Frm_Main::Dibujar_ejes_histoplot() { Dibujar_ejes_barplot(); }

void Frm_Main::Dibujar_ejes_gridplot() {
    CanvasPanelSink sink(Picact);
    DrawPlateGridAndCaptions(CurrentPlate(), sink);
}

void Frm_Main::Dibujar_barplot(int16_t station) {
    Picact->Cls();
    Picact->Scale(-30, 300, 300, -30);
    const bool paged = ValidStation(station) && CountGroupsInUse(StationChannelGroups(station)) > kBarsPerPage;
    Dibujar_ejes_barplot();
    if (paged) {
        cmd_pgup->show();
        cmd_pgdown->show();
    }
    DrawGroupBars(station);
}

void Frm_Main::Dibujar_histoplot(int16_t station) {
    Picact->Cls();
    Picact->Scale(-30, 300, 300, -30);
    Dibujar_ejes_histoplot();
    cmd_pgup->show();
    cmd_pgdown->show();
    DrawHistogram(station);
}

// Grid and captions, the cells, then grid and captions again on top.
void Frm_Main::Dibujar_gridplot() {
    Picact->Cls();
    if (auto s = ActivityScale(2, g_plate_col_offset, g_plate_row_offset)) Picact->Scale(s->x1, s->y1, s->x2, s->y2);
    Picact->SetDrawMode(13);
    Picact->SetAutoRedraw(true);
    Dibujar_ejes_gridplot();
    DrawGridCells(m_run.m_station);
    Dibujar_ejes_gridplot();
}

void Frm_Main::Cmd_barplot_Click() {
    m_plot_type = 1;
    m_plot_page = 0;
    Picact->Cls();
    Dibujar_barplot(m_run.m_station);
}

void Frm_Main::Cmd_gridplot_Click() {
    m_plot_type = 2;
    cmd_pgup->hide();
    cmd_pgdown->hide();
    Dibujar_gridplot();
}

// The histogram keeps the page (the group) it showed last.
void Frm_Main::Cmd_histoplot_Click() {
    m_plot_type = 3;
    cmd_pgup->show();
    cmd_pgdown->show();
    Dibujar_histoplot(m_run.m_station);
}

void Frm_Main::cmd_pgup_Click() {
    if (m_plot_page < m_plot_page_limit - 1) ++m_plot_page;
    Picact->Cls();
    if (m_plot_type == 1) Dibujar_barplot(m_run.m_station);
    if (m_plot_type == 3) Dibujar_histoplot(m_run.m_station);
}

void Frm_Main::cmd_pgdown_Click() {
    if (m_plot_page > 0) --m_plot_page;
    Picact->Cls();
    if (m_plot_type == 1) Dibujar_barplot(m_run.m_station);
    if (m_plot_type == 3) Dibujar_histoplot(m_run.m_station);
}

void Frm_Main::ConnectActivityPanel() {
    connect(Cmd_barplot, &QPushButton::clicked, this, [this] { Cmd_barplot_Click(); });
    connect(Cmd_gridplot, &QPushButton::clicked, this, [this] { Cmd_gridplot_Click(); });
    connect(Cmd_histoplot, &QPushButton::clicked, this, [this] { Cmd_histoplot_Click(); });
    connect(cmd_pgup, &QPushButton::clicked, this, [this] { cmd_pgup_Click(); });
    connect(cmd_pgdown, &QPushButton::clicked, this, [this] { cmd_pgdown_Click(); });
}

}  // namespace vondrel
