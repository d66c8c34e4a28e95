#include "reports/qt/Frm_report.h"
#include "platform/qt/NamedWidget.h"

#include <QAction>
#include <QButtonGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "mainwindow/Activation.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/QtText.h"
#include "mainwindow/SetAndRun.h"
#include "mainwindow/Shaping.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "platform/Files.h"
#include "reports/ReportPipeline.h"
#include "store/CalReport.h"
#include "store/Globals.h"

namespace vondrel {
namespace {

Frm_report* g_report = nullptr;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }

const QStringList kBins = {"5", "15", "30", "60", "120", "180", "240", "360", "480", "720", "1440"};

// A threshold as the window shows it: one decimal, "." as the sign.
QString ThresholdText(double v) { return Q(FormatFixed(v, 1)); }

}  // namespace

Frm_report::Frm_report() {
    setObjectName("frm_report");
    setWindowTitle("Report Output");
    setFixedWidth(Px(6600));

    menuBar = new QMenuBar(this);
    mnadvance = Named(menuBar->addMenu("Advanced"), "mnadvance");
    mnrecalculate = Named(mnadvance->addAction("Analyze Raw Data"), "mnrecalculate");
    mnadvance->addSeparator();
    mncircadian = Named(mnadvance->addAction("1 file/well Report"), "mncircadian");
    menuBar->setGeometry(0, 0, Px(6600), 20);
    lbl_written = Make<QLabel>(menuBar, "lbl_written");  // shows a path: plain text
    lbl_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    menuBar->setCornerWidget(lbl_written, Qt::TopRightCorner);

    frm_report_frame = Named(new QGroupBox(this), "frm_report_frame");
    frm_report_frame->setGeometry(4, 22, Px(6600) - 8, Px(3400));
    auto* outLabel = new QLabel("Output format:", frm_report_frame);
    outLabel->setGeometry(8, 6, 120, 16);
    const char* outputs[5] = {"Rows", "List", "W.Array", "CH.Array", "Histogram Body_bends (experimental)"};
    for (int i = 0; i < 5; ++i) {
        Option_output[i] = new QRadioButton(outputs[i], frm_report_frame);
        Option_output[i]->setObjectName(QString("Option_output_%1").arg(i));
        Option_output[i]->setGeometry(8 + (i < 4 ? (i % 2) * 90 : 0), 24 + (i / 2) * 20, i < 4 ? 90 : 270, 18);
    }
    auto* binLabel = new QLabel("Bin size (min):", frm_report_frame);
    binLabel->setGeometry(300, 6, 100, 16);
    Cmb_binsize = Named(new QComboBox(frm_report_frame), "Cmb_binsize");
    Cmb_binsize->setEditable(true);
    Cmb_binsize->setGeometry(300, 24, 80, 22);
    Cmd_generate = Named(new QPushButton("Generate...", frm_report_frame), "Cmd_generate");
    Cmd_generate->setToolTip("Export REPORT File");
    Cmd_generate->setGeometry(300, 54, 120, 30);
    Cmd_cancel = Named(new QPushButton("Cancel", frm_report_frame), "Cmd_cancel");
    Cmd_cancel->setGeometry(300, 90, 120, 30);

    Frame1 = Named(new QGroupBox(frm_report_frame), "Frame1");
    Frame1->setGeometry(8, 88, 284, 68);
    const char* types[3] = {"[.csv]", "Text [.txt]", "Excel [.xlsx]"};
    for (int i = 0; i < 3; ++i) {
        Option_report[i] = new QRadioButton(types[i], Frame1);
        Option_report[i]->setObjectName(QString("Option_report_%1").arg(i));
        Option_report[i]->setGeometry(6 + i * 92, 6, 92, 18);
    }
    auto* spacerLabel = new QLabel("spacer =", Frame1);
    spacerLabel->setGeometry(6, 36, 60, 18);
    txt_customspacer = Named(new QLineEdit(Frame1), "txt_customspacer");
    txt_customspacer->setGeometry(70, 34, 40, 22);

    auto* basalLabel = new QLabel("Basal Meassure:", frm_report_frame);
    basalLabel->setGeometry(8, 162, 110, 18);
    cmbbasal = Named(new QComboBox(frm_report_frame), "cmbbasal");
    cmbbasal->setEditable(true);
    cmbbasal->setGeometry(120, 160, 300, 22);

    Frame2 = Named(new QGroupBox("Group Statistics:", frm_report_frame), "Frame2");
    Frame2->setGeometry(8, 186, 420, 40);
    const char* stats[5] = {"Average", "Median", "Std Error", "Std Dev", "\"N\""};
    for (int i = 0; i < 5; ++i) {
        Chk_statistic[i] = new QCheckBox(stats[i], Frame2);
        Chk_statistic[i]->setObjectName(QString("Chk_statistic_%1").arg(i));
        Chk_statistic[i]->setGeometry(6 + i * 82, 18, 82, 18);
    }

    Frame_run = Named(new QGroupBox("Raw data processing:", this), "Frame_run");
    Frame_run->setGeometry(4, 22 + Px(3400) + 4, Px(6600) - 8, 150);
    auto* recalcLabel = new QLabel("Re-Calculate from Real time Data:", Frame_run);
    recalcLabel->setGeometry(8, 18, 220, 16);
    auto* orgLabel = new QLabel("Organism:", Frame_run);
    orgLabel->setGeometry(8, 40, 70, 18);
    Cmb_organism = Named(new QComboBox(Frame_run), "Cmb_organism");
    Cmb_organism->setGeometry(80, 38, 150, 22);
    auto* methodLabel = new QLabel("Method:", Frame_run);
    methodLabel->setGeometry(8, 66, 70, 18);
    Cmb_dspmethod = Named(new QComboBox(Frame_run), "Cmb_dspmethod");
    Cmb_dspmethod->setGeometry(80, 64, 290, 22);
    auto* thrLabel = new QLabel("Threshold:", Frame_run);
    thrLabel->setGeometry(240, 40, 62, 18);  // ends before the threshold box
    frmtxt_threshold = Named(new QLineEdit("1.7", Frame_run), "frmtxt_threshold");
    frmtxt_threshold->setGeometry(305, 38, 36, 22);
    auto* snrLabel = new QLabel("SNR", Frame_run);
    snrLabel->setGeometry(345, 40, 30, 18);
    auto* anLabel = new QLabel("Analyze:", Frame_run);
    anLabel->setGeometry(8, 92, 60, 18);
    frmtxt_datalapse = Named(new QLineEdit("1", Frame_run), "frmtxt_datalapse");
    frmtxt_datalapse->setGeometry(70, 90, 40, 22);
    auto* hsLabel = new QLabel("hs", Frame_run);
    hsLabel->setGeometry(114, 92, 20, 18);
    Chk_replacedata = Named(new QCheckBox("Replace old data", Frame_run), "Chk_replacedata");
    Chk_replacedata->setGeometry(140, 92, 130, 18);
    Chk_rawexport = Named(new QCheckBox("Export Raw", Frame_run), "Chk_rawexport");
    Chk_rawexport->setGeometry(270, 92, 100, 18);
    chk_autoreport = Named(new QCheckBox("Autoreport", Frame_run), "chk_autoreport");
    chk_autoreport->setGeometry(270, 112, 100, 18);
    cmd_runframe = Named(new QPushButton("RUN", Frame_run), "cmd_runframe");
    cmd_runframe->setGeometry(8, 114, 70, 26);
    cmd_stopframe = Named(new QPushButton("STOP", Frame_run), "cmd_stopframe");
    cmd_stopframe->setGeometry(84, 114, 70, 26);
    frmlbl_status = Named(new QLabel("Block xx/xx", Frame_run), "frmlbl_status");
    frmlbl_status->setTextFormat(Qt::PlainText);
    frmlbl_status->setGeometry(160, 118, 100, 18);

    Txt_inputfile = Named(new QLineEdit("p00001", this), "Txt_inputfile");
    Txt_inputfile->setGeometry(4, 22 + Px(3400) - 22, Px(6600) - 8, 0);
    Txt_inputfile->hide();

    // Each array of options is one exclusive choice.
    auto* reportGroup = new QButtonGroup(this);
    for (auto* o : Option_report) reportGroup->addButton(o);
    auto* outputGroup = new QButtonGroup(this);
    for (auto* o : Option_output) outputGroup->addButton(o);
    connect(Cmd_generate, &QPushButton::clicked, this, [this] { Cmd_generate_Click(); });
    connect(Cmd_cancel, &QPushButton::clicked, this, [this] { Cmd_cancel_Click(); });
    for (auto* o : Option_report)
        connect(o, &QRadioButton::clicked, this, [this] { Option_report_Click(); });
    connect(Cmb_organism, &QComboBox::activated, this, [this] { Cmb_organism_Click(); });
    connect(Chk_rawexport, &QCheckBox::clicked, this, [this] { Chk_rawexport_Click(); });
    connect(Chk_replacedata, &QCheckBox::clicked, this, [this] { Chk_replacedata_Click(); });
    connect(mnrecalculate, &QAction::triggered, this, [this] { mnrecalculate_Click(); });
    connect(mncircadian, &QAction::triggered, this, [this] { mncircadian_Click(); });
    connect(cmd_runframe, &QPushButton::clicked, this, [this] { cmd_runframe_Click(); });
    connect(cmd_stopframe, &QPushButton::clicked, this, [this] { cmd_stopframe_Click(); });
    frmtxt_threshold->installEventFilter(this);
    WatchActivation(this, [this] { Form_Activate(); });
    Form_Load();
}

// The raw-processing frame lies below the report frame: it shows only when
// the window is tall enough to hold it whole, never a strip of it.
void Frm_report::SetHeightTwips(int twips) {
    setFixedHeight(Px(twips));
    Frame_run->setVisible(Frame_run->geometry().bottom() < height());
}

void Frm_report::Form_Load() {
    SetHeightTwips(4100);
    Cmb_binsize->clear();
    Cmb_binsize->addItems(kBins);
    Cmb_binsize->show();
    txt_customspacer->setText(Q(GetListSeparator()));
    Cmb_dspmethod->clear();
    Cmb_dspmethod->addItems({"0_Threshold+Binary (Old Method.w/filters)", "1_Threshold Avrg (Default.Agar&Liquid)",
                             "2_uOrganism (Motility Index)", "3_Drosophila (Threshold)"});
    Cmb_dspmethod->setEnabled(true);
    Cmb_dspmethod->setCurrentIndex(0);
    Cmb_organism->clear();
    Cmb_organism->addItems({"C elegans(>L4)", "Zebrafish(Larvae)", "Echinococcus", "Drosophila"});
    Cmb_organism->setEnabled(true);
    SelectListIndexAndRun(Cmb_organism, 0, [this] { Cmb_organism_Click(); });
    LoadReportSettings(FrmMain().mn_userbin->isChecked() ? 1 : 0);
    Cmb_binsize->addItem(QString::number(g_report_bin));
    Cmb_binsize->setEditText(QString::number(g_report_bin));
    const int type = std::clamp<int>(g_report_filetype, 0, 2);
    SetCheckedAndRun(Option_report[type], true, [this] { Option_report_Click(); });
    txt_customspacer->setText(Q(g_report_spacer));
    Option_output[std::clamp<int>(g_report_out_format, 0, 4)]->setChecked(true);
    Chk_statistic[2]->setChecked(g_report_std_error == 1);
    Chk_statistic[3]->setChecked(g_report_std_dev == 1);
    Chk_statistic[4]->setChecked(g_report_n == 1);
    if (g_report_method >= 0 && g_report_method < 4) Cmb_dspmethod->setCurrentIndex(g_report_method);
    if (g_report_organism >= 0 && g_report_organism < 4)
        SelectListIndexAndRun(Cmb_organism, g_report_organism, [this] { Cmb_organism_Click(); });
    QString thr = ThresholdText(g_report_threshold / 10.0);
    thr.replace(',', '.');
    frmtxt_threshold->setText(thr);
    if (g_report_rawexport == 1) SetCheckedAndRun(Chk_rawexport, true, [this] { Chk_rawexport_Click(); });
    else Chk_rawexport->setChecked(false);
    m_report.m_setting_preset = false;
    m_report.m_setting_text.clear();
    ShapeReportButtons();
}

void Frm_report::ShapeReportButtons() {
    for (QWidget* w : {static_cast<QWidget*>(Cmd_generate), static_cast<QWidget*>(Cmd_cancel),
                       static_cast<QWidget*>(cmd_runframe), static_cast<QWidget*>(cmd_stopframe)})
        RoundWindowInsetPixels(w);
}

void Frm_report::Form_Activate() {
    if (!chk_autoreport->isChecked() || m_generating || m_raw_running) return;
    frm_report_frame->setEnabled(false);
    const bool written = Cmd_generate_Click();
    platform::SleepPumping(1500);
    AutoReanalysis();
    if (written) platform::MsgBox("Report File AutoGenerated");
    chk_autoreport->setChecked(false);
    frm_report_frame->setEnabled(true);
    hide();
}

reports::ReportControls Frm_report::Controls() const {
    reports::ReportControls c;
    std::string folder = Str(Txt_inputfile->text());
    if (!folder.empty() && folder.front() != '/') folder = platform::JoinPath(platform::ProgramFolder(), folder);
    c.inputFolder = folder;
    c.binText = Str(Cmb_binsize->currentText());
    c.basal = Str(cmbbasal->currentText());
    c.layout = reports::ReportLayout::Rows;
    for (int i = 0; i < 5; ++i)
        if (Option_output[i]->isChecked()) {
            c.layout = static_cast<reports::ReportLayout>(i);
            break;
        }
    c.fileType = reports::ReportFileType::Text;
    for (int i = 0; i < 3; ++i)
        if (Option_report[i]->isChecked()) {
            c.fileType = static_cast<reports::ReportFileType>(i);
            break;
        }
    c.spacer = Str(txt_customspacer->text());
    c.standardError = Chk_statistic[2]->checkState() != Qt::Unchecked;
    c.standardDeviation = Chk_statistic[3]->checkState() != Qt::Unchecked;
    c.wellsPerGroup = Chk_statistic[4]->checkState() != Qt::Unchecked;
    c.autoReport = chk_autoreport->isChecked();
    return c;
}

bool Frm_report::Cmd_generate_Click() {
    // A click while a report is on its way (in its boxes or pauses) is ignored.
    if (m_generating || m_raw_running) return false;
    m_generating = true;
    reports::ReportControls c = Controls();
    const std::string bin = c.binText;
    reports::ReportWritten file;
    lbl_written->clear();
    const bool written = reports::GenerateReport(m_report, c, [] { platform::PumpEvents(); }, &file);
    if (c.binText != bin) Cmb_binsize->setEditText(Q(c.binText));
    if (written) ShowWritten(file);
    m_generating = false;
    return written;
}

void Frm_report::ShowWritten(const reports::ReportWritten& file) {
    // The whole line in the tool tip; the status beside the menu keeps both
    // ends of a long path.
    const QString text = Q(reports::WrittenFileText("Report", file));
    lbl_written->setToolTip(PlainToolTip(text));
    lbl_written->setText(lbl_written->fontMetrics().elidedText(text, Qt::ElideMiddle, Px(6600) - 110));
    menuBar->setGeometry(0, 0, Px(6600), 20);
}

void Frm_report::Cmd_cancel_Click() {
    if (m_raw_running) m_raw_run_abort = -1;
    cmbbasal->clear();
    hide();
    SetHeightTwips(3500);
}

void Frm_report::Option_report_Click() {
    txt_customspacer->setText(Option_report[0]->isChecked() ? Q(GetListSeparator()) : QString(" "));
}

void Frm_report::Cmb_organism_Click() {
    switch (Cmb_organism->currentIndex()) {
        case 0: frmtxt_threshold->setText("1.8"); break;
        case 1: frmtxt_threshold->setText("2.8"); break;
        case 2:
            Cmb_dspmethod->setCurrentIndex(2);
            frmtxt_threshold->setText("1.8");
            break;
        case 3:
            Cmb_dspmethod->setCurrentIndex(3);
            frmtxt_threshold->setText("0.8");
            break;
        default: break;
    }
}

void Frm_report::frmtxt_threshold_LostFocus() {
    QString t = frmtxt_threshold->text();
    t.replace(',', '.');
    const double v = Val(Str(t));
    if (Cmb_organism->currentIndex() == 3) {
        if (v < 0.5 || v > 1.0) frmtxt_threshold->setText("0.8");
    } else if (v < 1.1 || v > 6) {
        frmtxt_threshold->setText("1.8");
    }
}

void Frm_report::Chk_rawexport_Click() {
    if (!Chk_rawexport->isChecked()) return;
    SetCheckedAndRun(Chk_replacedata, false, [this] { Chk_replacedata_Click(); });
    frmtxt_datalapse->setText("533");
}

void Frm_report::Chk_replacedata_Click() { frmtxt_datalapse->setEnabled(!Chk_replacedata->isChecked()); }

void Frm_report::Form_Unload() {
    frm_report_frame->setTitle("Report");
    FrmMain().combo_minutes->setEditText(QString::number(g_report_bin));
    cmbbasal->clear();
}

void Frm_report::closeEvent(QCloseEvent* e) {
    if (m_raw_running) {
        // A running re-analysis stops first; the window closes when it has.
        m_raw_run_abort = -1;
        m_close_after_run = true;
        e->ignore();
        return;
    }
    Form_Unload();
    e->accept();
    UnloadReportWindow();
}

bool Frm_report::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frmtxt_threshold && event->type() == QEvent::FocusOut) frmtxt_threshold_LostFocus();
    return QWidget::eventFilter(watched, event);
}

Frm_report& FrmReport() {
    if (!g_report) g_report = new Frm_report();
    return *g_report;
}

bool FrmReportLoaded() { return g_report != nullptr; }

void UnloadReportWindow() {
    Frm_report* w = g_report;
    g_report = nullptr;
    if (w) w->deleteLater();
}

}  // namespace vondrel
