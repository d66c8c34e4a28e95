#include "reports/qt/Frm_reportset.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "mainwindow/Frm_Main.h"
#include "mainwindow/QtText.h"
#include "mainwindow/SetAndRun.h"
#include "mainwindow/Shaping.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Numbers.h"
#include "reports/qt/Frm_report.h"
#include "store/CalReport.h"
#include "store/Globals.h"

namespace vondrel {
namespace {

Frm_reportset* g_reportset = nullptr;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }

}  // namespace

Frm_reportset::Frm_reportset() {
    setObjectName("frm_reportset");
    setWindowTitle("[User Defined Report]");
    setFixedWidth(Px(5700));
    frm_reportset_frame = new QGroupBox(this);
    frm_reportset_frame->setObjectName("frm_reportset_frame");
    frm_reportset_frame->setGeometry(2, 2, Px(5700) - 4, Px(3600) - 4);
    QWidget* f = frm_reportset_frame;
    (new QLabel("Set Report Options:", f))->setGeometry(8, 6, 200, 16);
    (new QLabel("Bin size (min):", f))->setGeometry(8, 28, 100, 18);
    Cmb_binsize = new QComboBox(f);
    Cmb_binsize->setObjectName("Cmb_binsize");
    Cmb_binsize->setEditable(true);
    Cmb_binsize->setGeometry(110, 26, 80, 22);
    Frame1 = new QGroupBox(f);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(8, 54, 220, 56);
    const char* types[2] = {"Excel [.csv]", "Text [.txt]"};
    for (int i = 0; i < 2; ++i) {
        Option_report[i] = new QRadioButton(types[i], Frame1);
        Option_report[i]->setObjectName(QString("Option_report_%1").arg(i));
        Option_report[i]->setGeometry(6 + i * 100, 6, 100, 18);
    }
    (new QLabel("spacer =", Frame1))->setGeometry(6, 30, 60, 18);
    txt_customspacer = new QLineEdit(Frame1);
    txt_customspacer->setObjectName("txt_customspacer");
    txt_customspacer->setGeometry(70, 28, 40, 22);
    (new QLabel("Output format:", f))->setGeometry(240, 28, 100, 18);
    const char* outputs[4] = {"Rows", "List", "WArray", "CHArray"};
    for (int i = 0; i < 4; ++i) {
        Option_output[i] = new QRadioButton(outputs[i], f);
        Option_output[i]->setObjectName(QString("Option_output_%1").arg(i));
        Option_output[i]->setGeometry(240, 48 + i * 18, 100, 18);
    }
    (new QLabel("Group Statistics:", f))->setGeometry(8, 118, 120, 18);
    const char* stats[5] = {"Average", "Median", "Std Error", "Std Dev", "\"N\""};
    for (int i = 0; i < 5; ++i) {
        Chk_statistic[i] = new QCheckBox(stats[i], f);
        Chk_statistic[i]->setObjectName(QString("Chk_statistic_%1").arg(i));
        Chk_statistic[i]->setGeometry(6 + i * 73, 138, 73, 18);
    }
    Chk_rawexport = new QCheckBox("Export Raw", f);
    Chk_rawexport->setObjectName("Chk_rawexport");
    Chk_rawexport->setGeometry(8, 162, 100, 18);
    Chk_autofile = new QCheckBox("Auto-Generate after measurement", f);
    Chk_autofile->setObjectName("Chk_autofile");
    Chk_autofile->setGeometry(110, 162, 230, 18);
    Cmd_generate = new QPushButton("Apply", f);
    Cmd_generate->setObjectName("Cmd_generate");
    Cmd_generate->setGeometry(60, 190, 110, 28);
    Cmd_cancel = new QPushButton("Back to Default", f);
    Cmd_cancel->setObjectName("Cmd_cancel");
    Cmd_cancel->setGeometry(190, 190, 110, 28);
    // Each array of options is one exclusive choice.
    auto* reportGroup = new QButtonGroup(this);
    for (auto* o : Option_report) reportGroup->addButton(o);
    auto* outputGroup = new QButtonGroup(this);
    for (auto* o : Option_output) outputGroup->addButton(o);
    connect(Cmd_generate, &QPushButton::clicked, this, [this] { Cmd_generate_Click(); });
    connect(Cmd_cancel, &QPushButton::clicked, this, [this] { Cmd_cancel_Click(); });
    Form_Load();
}

void Frm_reportset::Form_Load() {
    setFixedHeight(Px(3600));
    Cmb_binsize->clear();
    Cmb_binsize->addItems({"5", "15", "30", "60", "120", "180", "240", "360", "480", "720", "1440"});
    Cmb_binsize->show();
    txt_customspacer->setText(Q(GetListSeparator()));
    LoadReportSettings(1);
    Cmb_binsize->addItem(QString::number(g_report_bin));
    Cmb_binsize->setEditText(QString::number(g_report_bin));
    Option_report[std::clamp<int>(g_report_filetype, 0, 1)]->setChecked(true);
    txt_customspacer->setText(Q(g_report_spacer));
    Option_output[std::clamp<int>(g_report_out_format, 0, 3)]->setChecked(true);
    Chk_statistic[2]->setChecked(g_report_std_error == 1);
    Chk_statistic[3]->setChecked(g_report_std_dev == 1);
    Chk_statistic[4]->setChecked(g_report_n == 1);
    if (g_report_rawexport == 1) Chk_rawexport->setChecked(true);
    else g_report_rawexport = 0;
}

void Frm_reportset::Cmd_generate_Click() {
    // The bin is the text as a 16-bit whole number, halves to even (2.5 is 2).
    double bin = 0;
    if (!ParseNumber(Str(Cmb_binsize->currentText()), bin) || !(RoundHalfEven(bin) >= -32768) ||
        !(RoundHalfEven(bin) <= 32767)) {
        platform::MsgBox("Invalid value: bin size must be a whole number of minutes");
        return;
    }
    g_report_bin = static_cast<int16_t>(RoundHalfEven(bin));
    if (Option_report[0]->isChecked()) g_report_filetype = 0;
    if (Option_report[1]->isChecked()) g_report_filetype = 1;
    g_report_spacer = Str(txt_customspacer->text());
    for (int i = 0; i < 4; ++i)
        if (Option_output[i]->isChecked()) {
            g_report_out_format = static_cast<int16_t>(i);
            break;
        }
    g_report_std_error = Chk_statistic[2]->checkState() != Qt::Unchecked ? 1 : 0;
    g_report_std_dev = Chk_statistic[3]->checkState() != Qt::Unchecked ? 1 : 0;
    g_report_n = Chk_statistic[4]->checkState() != Qt::Unchecked ? 1 : 0;
    g_report_rawexport = Chk_rawexport->checkState() != Qt::Unchecked ? 1 : 0;
    SaveReportSettings(1);
    platform::MsgBox("User Configuration Applied");
    FrmMain().mn_userbin->setChecked(true);
    hide();
    FrmMain().show();
}

void Frm_reportset::Cmd_cancel_Click() {
    FrmMain().mn_userbin->setChecked(false);
    LoadReportSettings(0);
    SaveReportSettings(0);
    platform::MsgBox("Default Report Configuration Applied");
    hide();
    FrmMain().show();
}

Frm_reportset& FrmReportSet() {
    if (!g_reportset) g_reportset = new Frm_reportset();
    return *g_reportset;
}

bool FrmReportSetLoaded() { return g_reportset != nullptr; }

void UnloadReportSetWindow() {
    Frm_reportset* w = g_reportset;
    g_reportset = nullptr;
    if (w) w->deleteLater();
}

void InstallReportWindows() {
    WindowHooks& h = Hooks();
    h.setReportBinSize = [](const std::string& bin) { FrmReport().Cmb_binsize->setEditText(Q(bin)); };
    // A recording opened in the browser: its organism first, whose click sets
    // the organism's own method and threshold, then the recording's method and
    // threshold over them. The window is made when it does not exist, not shown.
    h.setReportSettings = [](int organism, int method, const std::string& threshold) {
        Frm_report& w = FrmReport();
        SelectListIndexAndRun(w.Cmb_organism, organism, [&w] { w.Cmb_organism_Click(); });
        w.Cmb_dspmethod->setCurrentIndex(method);
        w.frmtxt_threshold->setText(Q(threshold));
    };
    h.tickAutoReport = [] { FrmReport().chk_autoreport->setChecked(true); };
    h.showReport = [](const std::string& folder, bool histogram, const std::string& caption,
                      const std::vector<std::string>& basal) {
        Frm_report& w = FrmReport();
        w.Txt_inputfile->setText(Q(folder));
        // The caption of the recording handed over, never one kept from an
        // earlier hand-off; the browser's list lines hold tabs.
        QString title = caption.empty() ? QString("Report Output") : Q(caption);
        title.replace('\t', ' ');
        w.setWindowTitle(title);
        if (!basal.empty()) {
            w.cmbbasal->clear();
            for (const auto& item : basal) w.cmbbasal->addItem(Q(item));
            w.cmbbasal->setCurrentIndex(0);
        }
        w.Option_output[4]->setVisible(histogram);
        w.Option_output[histogram ? 4 : 0]->setChecked(true);
        w.show();
        w.raise();
        w.activateWindow();
    };
    h.reportSpacer = [] { return Str(FrmReport().txt_customspacer->text()); };
    h.showReportSettings = [] {
        Frm_reportset& w = FrmReportSet();
        w.show();
        w.raise();
        w.activateWindow();
    };
}

}  // namespace vondrel
