// The browser's group activity tables, filled from the open recording (or
// its project's tagged recordings) for the plots and the joint report.
#include "browser/Frm_offline.h"

#include <QFont>
#include <algorithm>
#include <vector>
#include <QPolygonF>
#include <QLabel>
#include <QListWidget>

#include "acquisition/RunDataFiles.h"
#include "browser/BrowserExports.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "store/Globals.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

namespace vondrel {

void ReplayPlan(Canvas& canvas, const browser::PlotPlan& plan) {
    if (!plan.overlay) canvas.Cls();
    if (plan.empty) return;
    canvas.Scale(plan.left, plan.top, plan.right, plan.bottom);
    // Runs of polylines of one width go to the surface together.
    std::vector<QPolygonF> polygons;
    std::vector<Canvas::PolylineRef> refs;
    auto flushPolylines = [&] {
        for (size_t i = 0; i < polygons.size(); ++i)
            refs[i].points = polygons[i].constData(), refs[i].count = static_cast<size_t>(polygons[i].size());
        if (!refs.empty()) canvas.Polylines(refs.data(), refs.size());
        polygons.clear();
        refs.clear();
    };
    for (const auto& p : plan.items) {
        if (p.kind == browser::PlotPrimitive::Kind::Polyline) {
            if (!refs.empty() && canvas.DrawWidth() != std::max(p.width, 1)) flushPolylines();
            canvas.SetDrawWidth(p.width);
            QPolygonF& points = polygons.emplace_back();
            points.reserve(static_cast<qsizetype>(p.points.size()));
            for (const auto& q : p.points) points.append(QPointF(q.x, q.y));
            refs.push_back({nullptr, 0, p.bgr});
            continue;
        }
        flushPolylines();
        canvas.SetDrawWidth(p.width);
        switch (p.kind) {
            case browser::PlotPrimitive::Kind::Line: canvas.Line(p.x1, p.y1, p.x2, p.y2, p.bgr); break;
            case browser::PlotPrimitive::Kind::Circle: canvas.Circle(p.x1, p.y1, p.radius, p.bgr); break;
            case browser::PlotPrimitive::Kind::Box: canvas.Box(p.x1, p.y1, p.x2, p.y2, p.bgr); break;
            case browser::PlotPrimitive::Kind::FilledBox: canvas.FilledBox(p.x1, p.y1, p.x2, p.y2, p.bgr); break;
            case browser::PlotPrimitive::Kind::Polyline: break;
            case browser::PlotPrimitive::Kind::Text: {
                canvas.SetTextColor(p.bgr);
                const QFont font = canvas.font();
                if (p.font_scale != 1) {
                    QFont smaller = font;
                    smaller.setPointSizeF(font.pointSizeF() * p.font_scale);
                    canvas.setFont(smaller);
                }
                canvas.Print(p.x1, p.y1, p.text);
                canvas.setFont(font);
                break;
            }
        }
    }
    flushPolylines();
    canvas.SetDrawWidth(1);
    canvas.SetTextColor(browser::kPlotBlack);
}

int64_t Frm_offline::BinGroupActivity(int binMinutes, int timeBins) {
    auto r = browser::BinGroupActivity(platform::JoinPath(m_acquisition_path, "counts.bin"), m_config.channelGroup,
                                       binMinutes, timeBins == -1, m_group_bin_means);
    if (!r.found) return 0;
    m_bin_count = m_group_bin_means.bin_count;
    m_bin_minutes = r.bin_minutes;
    return r.largest;
}

int64_t Frm_offline::LoadTagKinetics(const std::string& names, int /*binMinutes*/) {
    std::string project = platform::JoinPath(platform::ProgramFolder(), m_project_folder);
    auto k = browser::LoadTagKinetics(project, names, m_config.channelGroup, m_group_bin_means);
    if (k.refused) return 0;
    m_bin_count = m_group_bin_means.bin_count;
    m_column_dates = std::move(k.dates);
    m_tag_sorted_list = std::move(k.sorted_list);
    return k.largest;
}

void Frm_offline::SumChannelTotals() {
    browser::SumChannelTotals(platform::JoinPath(m_acquisition_path, "counts.bin"), m_channel_totals);
}

void Frm_offline::Cmd_report_Click() {
    if (!m_acquisition_path.empty()) {
        if (!platform::FileExists(platform::JoinPath(m_acquisition_path, "counts.bin"))) {
            platform::MsgBox("Activity file not Found");
        } else {
            std::vector<std::string> lines;
            for (int i = 0; i < Listpj->count(); ++i) lines.push_back(Str(Listpj->item(i)->text()));
            auto basal = browser::BasalItems(lines, Listpj->currentRow());
            if (Hooks().showReport)
                Hooks().showReport(m_acquisition_path, HasHistogramFiles(m_acquisition_path), Str(lbl_subpj_title->text()),
                                   basal);
            else
                platform::MsgBox("The report window is not available in this version.");
        }
    }
    m_view_mode = 0;
}

std::string Frm_offline::JointReportSeparator() const {
    return browser::JointReportSpacer(Hooks().reportSpacer ? Hooks().reportSpacer() : g_report_spacer);
}

}  // namespace vondrel
