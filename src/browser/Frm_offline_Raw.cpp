// The browser's channel-signal view: the raw levels of one well's beams over
// a page of 55 windows, paging, the well and channel picks, "Analyze" and
// "Export to ASCII...". The pages, plans and texts come from RawPage and
// RawView; the handlers here apply them to the controls.
#include "browser/Frm_offline.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "browser/BrowserExports.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"

namespace vondrel {

namespace {

// Calls `onEnter` when Enter is pressed in the watched list.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> onEnter) : QObject(parent), onEnter_(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) onEnter_();
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> onEnter_;
};

std::string ThresholdText(double value) {
    std::string t = FormatFixed(value, 1);
    t.replace(t.find('.'), 1, platform::LocaleDecimalSeparator());
    return t;
}

}  // namespace

void Frm_offline::ConnectChannelView() {
    connect(cmdchannels, &QPushButton::clicked, this, [this] { cmdchannels_Click(); });
    connect(Cmd_analyze, &QPushButton::clicked, this, [this] { Cmd_analyze_Click(); });
    connect(asciiexporta, &QAction::triggered, this, [this] { asciiexporta_Click(); });
    connect(combogrup, &QComboBox::activated, this, [this] { combogrup_Click(); });
    connect(Combofila, &QComboBox::activated, this, [this] { Combofila_Click(); });
    connect(Combocol, &QComboBox::activated, this, [this] { Combocol_Click(); });
    connect(lstgrup, &QListWidget::itemDoubleClicked, this, [this] { lstgrup_DblClick(); });
    lstgrup->installEventFilter(new EnterKeyFilter(lstgrup, [this] { lstgrup_KeyPress(13); }));
    connect(scrollpage, &QScrollBar::valueChanged, this, [this] { scrollpage_Change(); });
}

// ---- entering the view and reading pages ----------------------------------------

void Frm_offline::cmdchannels_Click() { ShowChannelView(true); }

void Frm_offline::ShowChannelView(bool loadFirstPage) {
    cmdchannels->setText("[Channel Signal]");
    Cmd_leegroups->setText("Group Activity");
    m_view_mode = 1;
    lstgrup_plot->hide();
    for (QWidget* c : {static_cast<QWidget*>(combogrup), static_cast<QWidget*>(lstgrup),
                       static_cast<QWidget*>(Pic_status), static_cast<QWidget*>(fmranalizar),
                       static_cast<QWidget*>(Combofila), static_cast<QWidget*>(Combocol),
                       static_cast<QWidget*>(txtsub), static_cast<QWidget*>(lblcanal)})
        c->show();
    frame_plotbutton->hide();
    QCoreApplication::processEvents();
    if (loadFirstPage || m_raw_folder != m_acquisition_path) LoadRawSignalPage();
    DrawRawSignalPage();
}

bool Frm_offline::LoadRawSignalPage() {
    m_raw_file_count = browser::CountRawFiles(m_acquisition_path);
    m_raw_page = 1;
    m_raw_page_count = browser::RawPageCount(m_raw_file_count);
    Txtpage->setText(Q("1/" + std::to_string(m_raw_page_count)));
    {
        const QSignalBlocker quiet(scrollpage);
        scrollpage->setRange(1, std::max(1, m_raw_page_count));
        scrollpage->setValue(1);
    }
    return ReadRawPage(1);
}

bool Frm_offline::ReadRawPage(int page) {
    m_raw_cube.Clear();
    m_raw_folder.clear();
    if (m_raw_file_count <= 0) return false;
    const int windowLength = m_config.setup.rtBuffer;
    if (!browser::RawWindowLengthSupported(windowLength)) {
        platform::MsgBox(std::string(browser::kRawWindowLengthMessage));
        return false;
    }
    Pic_status->Cls();
    m_raw_cube.Load(m_acquisition_path, page, windowLength, [this](double percent) {
        Pic_status->FilledBox(0, 0, percent, 100, Rgb(0, 0, 255));
        Pic_status->repaint();
    });
    m_raw_folder = m_acquisition_path;
    return true;
}

std::vector<browser::RawTrace> Frm_offline::ShownTraces() const {
    return browser::WellTraces(static_cast<int>(Val(Str(lblcanal->text()))), m_config.channelWell,
                               m_config.wellBeamChannel, m_config.maxBeam);
}

void Frm_offline::DrawRawSignalPage() {
    if (m_raw_file_count <= 0 || m_raw_cube.Page() == 0) {
        ShowPageControls(false);
        return;
    }
    ReplayPlan(*Picreal, browser::RawPagePlan(m_raw_cube, ShownTraces()));
    ShowPageControls(true);
}

void Frm_offline::scrollpage_Change() {
    if (m_view_mode != 1) {
        const QSignalBlocker quiet(scrollpage);
        scrollpage->setValue(m_raw_page);
        return;
    }
    const int p = scrollpage->value();
    Txtpage->setText(Q(std::to_string(p) + "/" + std::to_string(m_raw_page_count)));
    m_raw_page = p;
    ReadRawPage(p);
    DrawRawSignalPage();
}

// ---- the channel picks ----------------------------------------------------------

void Frm_offline::PickChannel(bool resetOnFailure) {
    const std::string row = Str(Combofila->currentText());
    const int r = row.empty() ? -1 : row[0] - 'A';
    const int col = static_cast<int>(RoundHalfEven(Val(Str(Combocol->currentText()))));
    const int beam = static_cast<int>(RoundHalfEven(Val(Str(txtsub->text()))));
    auto ch = browser::PickedChannel(r, col, beam, m_config.plateRows, m_config.plateCols, m_config.wellBeamChannel);
    if (!ch && resetOnFailure) {
        // Back to the first well's first beam.
        {
            const QSignalBlocker quietRow(Combofila), quietCol(Combocol);
            Combofila->setCurrentIndex(Combofila->count() > 0 ? 0 : -1);
            Combocol->setCurrentIndex(Combocol->count() > 0 ? 0 : -1);
        }
        txtsub->setText("0");
        ch = browser::PickedChannel(0, 1, 0, m_config.plateRows, m_config.plateCols, m_config.wellBeamChannel);
    }
    if (!ch) return;
    m_signal_channel = *ch;
    lblcanal->setText(QString::number(*ch));
}

// A failed lookup resets the selectors from either of them.
void Frm_offline::Combofila_Click() { PickChannel(true); }
void Frm_offline::Combocol_Click() { PickChannel(true); }

void Frm_offline::combogrup_Click() {
    const int g = browser::SelectorGroup(Str(combogrup->currentText()));
    lstgrup->clear();
    ListEditorGroupChannels(g);
}

void Frm_offline::PickListedChannel(int key) {
    QListWidgetItem* item = lstgrup->currentItem();
    const std::string text = item ? Str(item->text()) : "";
    if (text.empty()) return;
    const auto label = browser::ParseChannelLabel(text);
    if (!label) return;
    txtsub->setText(QString::number(label->beam));
    {
        const QSignalBlocker quietRow(Combofila), quietCol(Combocol);
        if (label->row < Combofila->count()) Combofila->setCurrentIndex(label->row);
        if (label->column - 1 < Combocol->count()) Combocol->setCurrentIndex(label->column - 1);
    }
    PickChannel(true);
    if (m_view_mode == 0) {
        Cmd_leegroups_Click();
    } else if (m_view_mode == 1 || key != 13) {
        // Enter redraws only the channel view; a double click also enters it.
        ShowChannelView(false);
    }
}

void Frm_offline::lstgrup_DblClick() { PickListedChannel(0); }

void Frm_offline::lstgrup_KeyPress(int key) {
    if (key != 13) return;
    PickListedChannel(13);
}

// ---- analysis and export ----------------------------------------------------------

void Frm_offline::Cmd_analyze_Click() {
    const auto thr = browser::ReadAnalyzeThreshold(Str(frmtxt_threshold->text()));
    if (thr.replaced) {
        frmtxt_threshold->setText(Q(ThresholdText(thr.value)));
        frmtxt_threshold->repaint();
    }
    const int16_t method = cmb_modeanalisis->currentIndex() == 1 ? 1 : 0;
    const bool shown = m_view_mode == 1;
    cmdchannels->setText("[Channel Signal]");
    Cmd_leegroups->setText("Group Activity");
    m_view_mode = 1;
    if (m_raw_file_count <= 0 || m_raw_cube.Page() == 0 || m_raw_folder != m_acquisition_path) return;
    // The analysis draws over the page; from another view the page comes back first.
    if (!shown) ShowChannelView(false);
    const auto traces = ShownTraces();
    const auto analysis = browser::AnalyzeRawPage(m_raw_cube, traces, thr.value, method,
                                                  platform::JoinPath(m_acquisition_path, "counts.bin"));
    ReplayPlan(*Picreal, browser::RawAnalysisPlan(analysis, traces));
}

void Frm_offline::asciiexporta_Click() {
    if (m_view_mode != 1 || m_raw_file_count < 1 || m_raw_cube.Page() == 0 || m_raw_folder != m_acquisition_path)
        return;
    const auto traces = ShownTraces();
    const int channel = static_cast<int>(Val(Str(lblcanal->text())));
    const int well = channel >= 0 && channel < kChannelSlots ? m_config.channelWell[static_cast<size_t>(channel)] : -1;
    const std::string text =
        browser::RawExportText(m_config.setup.name, m_acquisition_path, browser::WellLabel(well, m_config.plateRows),
                               Str(Txtpage->text()), m_raw_cube, traces);
    const std::string path = platform::JoinPath(platform::ProgramFolder(), "datafile.txt");
    if (!platform::WriteTextFile(path, text)) {
        platform::MsgBox("Error writing " + path);
        return;
    }
    browser::OpenExport(path);
}

}  // namespace vondrel
