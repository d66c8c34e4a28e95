// The browser's group activity tables, filled from the open recording (or
// its project's tagged recordings) for the plots and the joint report.
#include "browser/Frm_offline.h"

#include <QAction>
#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QPolygonF>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QComboBox>
#include <algorithm>
#include <vector>

#include "acquisition/RunDataFiles.h"
#include "browser/BrowserExports.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "store/Globals.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/Numbers.h"
#include "store/RunFiles.h"

namespace vondrel {

void ReplayPlan(Canvas& canvas, const browser::PlotPlan& plan) {
    if (!plan.overlay) canvas.Cls();
    if (plan.empty) return;
    canvas.Scale(plan.left, plan.top, plan.right, plan.bottom);
    DrawPrimitives(canvas, plan.items);
}

void DrawPrimitives(Canvas& canvas, const std::vector<browser::PlotPrimitive>& items) {
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
    for (const auto& p : items) {
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
    if (m_acquisition_path.empty()) {
        // No recording open: never a counts.bin of the working folder.
        platform::MsgBox("Activity file not Found");
        return 0;
    }
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
    if (m_acquisition_path.empty()) {
        platform::MsgBox("Activity file not Found");
        return;
    }
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

// ---- the views ------------------------------------------------------------------

std::vector<std::string> Frm_offline::PlotItems() const {
    std::vector<std::string> items;
    for (int i = 0; i < lstgrup_plot->count(); ++i) items.push_back(Str(lstgrup_plot->item(i)->text()));
    return items;
}

void Frm_offline::ShowPageControls(bool show) {
    scrollpage->setVisible(show);
    Label_page->setVisible(show);
    Txtpage->setVisible(show);
}

void Frm_offline::Cmd_leegroups_Click() {
    cmdchannels->setText("Channel Signal");
    Cmd_leegroups->setText("[Group Activity]");
    m_view_mode = 0;
    ShowPageControls(false);
    for (QWidget* c : {static_cast<QWidget*>(combogrup), static_cast<QWidget*>(lstgrup),
                       static_cast<QWidget*>(Pic_status), static_cast<QWidget*>(fmranalizar),
                       static_cast<QWidget*>(Combofila), static_cast<QWidget*>(Combocol),
                       static_cast<QWidget*>(txtsub), static_cast<QWidget*>(lblcanal)})
        c->hide();
    lstgrup_plot->show();
    frame_plotbutton->show();
    Txt_description->show();
    Frame_bisize->hide();
    m_bar_first_group = 0;
    DrawGroupBarPlot();
}

void Frm_offline::Cmd_barplot_Click() {
    chk_bmp->hide();
    Txtpage->hide();
    Frame_bisize->hide();
    txt_binsize->setText("5");
    m_view_mode = 0;
    m_bar_first_group = 0;
    DrawGroupBarPlot();
}

void Frm_offline::Cmd_gridplot_Click() {
    chk_bmp->hide();
    Txtpage->hide();
    m_view_mode = 5;
    Frame_bisize->hide();
    DrawPlateHeatmap();
}

void Frm_offline::Cmd_lineplot_Click() {
    chk_bmp->hide();
    Txtpage->hide();
    m_view_mode = 4;
    m_tag_kinetics = 0;
    Frame_bisize->show();
    List_tags->clearSelection();
    const int bin = m_config.setup.aqLapse < 60 ? 5 : 30;
    txt_binsize->setText(QString::number(bin));
    DrawKineticsLinePlot(bin, "", 0);
}

// A run-time error inside a plot (a damaged counts.bin, a table too large for
// its 16-bit counters) ends the drawing silently; the line plot then exports
// nothing.
void Frm_offline::DrawGroupBarPlot() {
    try {
        const int64_t top = BinGroupActivity(30, 0);
        ReplayPlan(*Picreal, browser::GroupBarPlan(m_group_bin_means, static_cast<double>(top), PlotItems(),
                                                   m_bar_first_group, lstgrup_plot->currentRow()));
        txt_pj_details->setPlainText(Q(browser::DetailsBoxText(m_config_text)));
    } catch (const std::exception&) {
    }
}

void Frm_offline::DrawKineticsLinePlot(int binMinutes, const std::string& tagList, int exportMode) {
    try {
        DrawKineticsLinePlotOrThrow(binMinutes, tagList, exportMode);
    } catch (const std::exception&) {
    }
}

void Frm_offline::DrawKineticsLinePlotOrThrow(int binMinutes, const std::string& tagList, int exportMode) {
    const std::string sep = JointReportSeparator();
    const bool tagged = !tagList.empty();
    const std::vector<std::string> items = PlotItems();
    double top = 0;
    std::vector<platform::TimePoint> dates;
    if (!tagged) {
        top = static_cast<double>(BinGroupActivity(binMinutes, -1));
    } else {
        top = static_cast<double>(LoadTagKinetics(tagList, binMinutes));
        dates = m_column_dates;
        if (mnrel0->isChecked() && top != 0) {
            std::vector<int> groups;
            for (const auto& item : items) groups.push_back(browser::ItemGroup(item));
            top = browser::RelativizeToTime0(m_group_bin_means, groups);
        }
    }
    auto* selected = lstgrup_plot->currentItem();
    const int selectedGroup = selected ? browser::ItemGroup(Str(selected->text())) : -1;
    const browser::PlotPlan plan =
        browser::KineticsLinePlan(m_group_bin_means, top, binMinutes, dates, items, selectedGroup);
    if (plan.empty) return;  // nothing to draw and nothing to export
    ReplayPlan(*Picreal, plan);
    if (exportMode != -1) return;
    browser::KineticsReportText texts;
    if (tagged) texts = browser::TagKineticsReport(m_group_bin_means, m_tag_sorted_list, dates, items, sep);
    browser::WriteJointReport(platform::JoinPath(platform::ProgramFolder(), m_project_folder), texts.acq_line,
                              texts.rows);
}

void Frm_offline::DrawPlateHeatmap() {
    SumChannelTotals();
    const auto& c = m_config;
    browser::PlateLayout plate{c.plateRows,     c.plateCols, c.rowPitch, c.rowOffset, c.colPitch, c.colOffset,
                               c.channelWell,   &c.wellBeamChannel,    c.channelGroup};
    ReplayPlan(*Picreal, browser::PlateHeatmapPlan(plate, m_channel_totals));
}

// ---- bin size, the group list and the tags ------------------------------------------

namespace {
// The bin size typed in the box, a whole number; below 1 it is 5.
int TypedBinSize(QLineEdit* box) {
    double typed = RoundHalfEven(Val(Str(box->text())));
    if (typed < 1 || typed > 32767) {
        box->setText("5");
        return 5;
    }
    return static_cast<int>(typed);
}
}  // namespace

void Frm_offline::cmd_plus_Click() {
    const int b = browser::StepBinSize(Val(Str(txt_binsize->text())), true, m_bin_count, m_bin_minutes);
    txt_binsize->setText(QString::number(b));
    if (m_tag_kinetics == 0) DrawKineticsLinePlot(b, "", 0);
    else if (!m_tag_acquisitions.empty()) DrawKineticsLinePlot(b, m_tag_acquisitions, 0);
}

void Frm_offline::cmd_minus_Click() {
    const int b = browser::StepBinSize(Val(Str(txt_binsize->text())), false, m_bin_count, m_bin_minutes);
    txt_binsize->setText(QString::number(b));
    if (m_tag_kinetics == 0) DrawKineticsLinePlot(b, "", 0);
    else if (!m_tag_acquisitions.empty()) DrawKineticsLinePlot(b, m_tag_acquisitions, 0);
}

void Frm_offline::lstgrup_plot_DblClick() {
    const int bin = TypedBinSize(txt_binsize);
    switch (m_view_mode) {
        case 0: {
            const int i = lstgrup_plot->currentRow();
            m_bar_first_group = i < 10 ? 0 : i - 9;
            DrawGroupBarPlot();
            break;
        }
        case 4: DrawKineticsLinePlot(bin, m_tag_kinetics != 0 ? m_tag_acquisitions : "", 0); break;
        case 5: DrawPlateHeatmap(); break;
        default: break;
    }
}

void Frm_offline::lstgrup_plot_KeyPress(int key) {
    if (key == 13) lstgrup_plot_DblClick();
}

void Frm_offline::List_tags_DblClick() {
    auto* item = List_tags->currentItem();
    const std::string tag = item ? Str(item->text()) : "";
    if (tag.empty()) return;
    mnrel0->setChecked(false);
    m_tag_acquisitions =
        FindTaggedSubprojects(platform::JoinPath(platform::ProgramFolder(), m_project_folder), tag);
    if (m_tag_acquisitions.empty()) return;
    m_view_mode = 4;
    txt_binsize->setText("5");
    Frame_bisize->hide();
    m_tag_kinetics = 1;
    DrawKineticsLinePlot(5, m_tag_acquisitions, 0);
}

// ---- the plot menus -------------------------------------------------------------

QMenu* Frm_offline::PlotPopup() const {
    switch (m_view_mode) {
        case 0:
        case 1: return mnexporta;
        case 4: return m_tag_kinetics != 0 ? mnrelativize : mnline;
        case 5: return Mnplate;
        case 6: return mntrack;
        default: return nullptr;
    }
}

void Frm_offline::mnrel0_Click() {
    mnrel0->setChecked(!mnrel0->isChecked());
    DrawKineticsLinePlot(5, m_tag_acquisitions, 0);
}

void Frm_offline::mn_jointexport_Click() { DrawKineticsLinePlot(5, m_tag_acquisitions, -1); }

void Frm_offline::mnadvanced_Click() { Cmd_report_Click(); }

void Frm_offline::ExportPlotImage(const std::string& file) {
    const std::string path = platform::JoinPath(platform::ProgramFolder(), file);
    if (!Picreal->SaveBmp(path)) {
        platform::MsgBox("Error writing " + path);
        return;
    }
    browser::OpenExport(path);
}

void Frm_offline::mn_jointbmp_Click() { ExportPlotImage("image1.bmp"); }
void Frm_offline::mn_linebmp_Click() { ExportPlotImage("lineimg.bmp"); }
void Frm_offline::mn_platebmp_Click() { ExportPlotImage("plateimg.bmp"); }
void Frm_offline::bmpexporta_Click() { ExportPlotImage("image1.bmp"); }

}  // namespace vondrel
