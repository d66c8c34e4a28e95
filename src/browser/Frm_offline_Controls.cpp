// The browser window's controls: made with their designed names in their
// designed containers, wired to their handlers, and placed by the layout
// table of BrowserLayout on every resize. The column captions' hover colour
// lives here too.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QScrollBar>
#include <QTimer>

#include "browser/BrowserLayout.h"
#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Shaping.h"
#include "platform/Numbers.h"
#include "platform/qt/NamedWidget.h"

namespace vondrel {

namespace {

QAction* NamedAction(QMenu* menu, const QString& caption, const QString& name) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

Canvas* Picture(QWidget* parent, const char* name) {
    auto* c = new Canvas(parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QFrame* Frame(QWidget* parent, const char* name) {
    auto* f = Make<QFrame>(parent, name);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

QMenu* Popup(QWidget* owner, const char* name) { return Named(new QMenu(owner), name); }

void SetTextColour(QLabel* label, uint32_t bgr) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ToQColor(bgr));
    label->setPalette(p);
}

// Places the controls of the browser from the layout's figures: a direct
// child of a panel in the panel's pixels, any other control in twips of its
// container. Combo boxes keep the height the toolkit gives them.
class WidgetTarget final : public browser::LayoutTarget {
public:
    WidgetTarget(QMainWindow* root, double tpp) : root_(root), tpp_(tpp) {}

    void Place(const std::string& name, double left, double top, std::optional<double> width,
               std::optional<double> height) override {
        QWidget* w = Find(name);
        if (qobject_cast<QComboBox*>(w)) height.reset();
        // The edges are rounded, not the sizes, so controls designed to meet
        // meet and never share a pixel.
        const double k = UnitsPerPixel(w);
        ApplyPlacementByEdges(w, left, top, width, height, k);
        // A control designed to end at its frame's edge ends there: the frame
        // is measured in the panel's pixels, its contents in twips.
        if (QWidget* frame = w->parentWidget(); frame && k != 1.0 && frame != root_->centralWidget()) {
            const QRect g = w->geometry();
            if (g.right() >= frame->width() && g.left() < frame->width())
                w->resize(frame->width() - g.left(), g.height());
        }
    }
    browser::Rect Read(const std::string& name) const override {
        QWidget* w = Find(name);
        const double k = UnitsPerPixel(w);
        return {w->x() * k, w->y() * k, w->width() * k, w->height() * k};
    }
    void Shape(const std::string& name, browser::Region region) override {
        QWidget* w = Find(name);
        switch (region) {
            case browser::Region::RoundWindow: RoundWindow(w); break;
            case browser::Region::RoundWindowInset: RoundWindowInset(w); break;
            case browser::Region::RoundWindowInsetPixels: RoundWindowInsetPixels(w); break;
            case browser::Region::None: break;
        }
    }
    void BorderNone(const std::string& name) override {
        QWidget* w = Find(name);
        if (auto* f = qobject_cast<QFrame*>(w)) f->setFrameShape(QFrame::NoFrame);
    }

private:
    QWidget* Find(const std::string& name) const {
        QWidget* w = root_->findChild<QWidget*>(Q(name));
        if (!w) throw std::runtime_error("no control " + name);
        return w;
    }
    double UnitsPerPixel(QWidget* w) const {
        const QString parent = w->parentWidget() ? w->parentWidget()->objectName() : QString();
        return parent == "PicPanel1" || parent == "PicPanel2" ? 1.0 : tpp_;
    }
    QMainWindow* root_;
    double tpp_;
};

}  // namespace

void Frm_offline::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("central");
    setCentralWidget(central);

    // The details column and its buttons.
    lbl_pj_title = Make<QLabel>(central, "lbl_pj_title");
    lbl_subpj_title = Make<QLabel>(central, "lbl_subpj_title");
    lbl_subpj_title->setWordWrap(true);
    lbl_subpj_title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txt_pj_details = Make<QPlainTextEdit>(central, "txt_pj_details");
    txt_pj_details->setReadOnly(true);
    Txt_description = Make<QPlainTextEdit>(central, "Txt_description");
    Txt_description->setPlainText("Protocol comments");
    Txt_description->installEventFilter(this);
    Cmd_report = Make<QPushButton>(central, "Cmd_report", "[ REPORT ]");
    Cmd_main = Make<QPushButton>(central, "Cmd_main", "< Back");

    // The project panel.
    PicPanel1 = Picture(central, "PicPanel1");
    lbl_orden = Make<QLabel>(PicPanel1, "lbl_orden", "^");
    lbl_date = Make<QLabel>(PicPanel1, "lbl_date", "Date");
    lblproject = Make<QLabel>(PicPanel1, "lblproject", "Project");
    for (QLabel* l : {lbl_date, lblproject}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    txt_search = Make<QLineEdit>(PicPanel1, "txt_search");
    cmd_lupa = Make<QPushButton>(PicPanel1, "cmd_lupa", "Search");
    Listpj = Make<QListWidget>(PicPanel1, "Listpj");
    Listpj->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Listpj->setFrameShape(QFrame::NoFrame);
    Listpj->setMouseTracking(true);
    Listpj->viewport()->installEventFilter(this);
    Listpj->installEventFilter(this);

    // The plot panel.
    PicPanel2 = Picture(central, "PicPanel2");
    Picreal = Picture(PicPanel2, "Picreal");
    Picreal->SetBackColor(0xFFFFFF);
    // The plots print group names under ten bars side by side: a small font.
    QFont plotFont = Picreal->font();
    plotFont.setPointSize(7);
    Picreal->setFont(plotFont);
    Picreal->installEventFilter(this);
    Frame_bisize = Frame(PicPanel2, "Frame_bisize");
    Frame_bisize->resize(120, 24);
    cmd_minus = Make<QPushButton>(Frame_bisize, "cmd_minus", "-");
    cmd_minus->setGeometry(0, 0, 24, 24);
    txt_binsize = Make<QLineEdit>(Frame_bisize, "txt_binsize", "5");
    txt_binsize->setGeometry(26, 0, 40, 24);
    cmd_plus = Make<QPushButton>(Frame_bisize, "cmd_plus", "+");
    cmd_plus->setGeometry(68, 0, 24, 24);
    Label_page = Make<QLabel>(PicPanel2, "Label_page", "Page:");
    Txtpage = Make<QLineEdit>(PicPanel2, "Txtpage", "1/1");
    Txtpage->setReadOnly(true);
    scrollpage = Named(new QScrollBar(Qt::Horizontal, PicPanel2), "scrollpage");
    scrollpage->setRange(1, 1);

    frame_plotbutton = Frame(PicPanel2, "frame_plotbutton");
    Cmd_barplot = Make<QPushButton>(frame_plotbutton, "Cmd_barplot", "Bars");
    Cmd_gridplot = Make<QPushButton>(frame_plotbutton, "Cmd_gridplot", "Plate");
    Cmd_lineplot = Make<QPushButton>(frame_plotbutton, "Cmd_lineplot", "Line");
    cmd_track = Make<QPushButton>(frame_plotbutton, "cmd_track", "Track");
    cmd_track->setToolTip("Single Animal Path Tracking");
    Cmd_cloud = Make<QPushButton>(frame_plotbutton, "Cmd_cloud");
    chk_bmp = Make<QCheckBox>(frame_plotbutton, "chk_bmp", "->.bmp");
    lbl_tagplot = Make<QLabel>(frame_plotbutton, "lbl_tagplot", "Tags:");
    List_tags = Make<QListWidget>(frame_plotbutton, "List_tags");

    framecanal = Frame(PicPanel2, "framecanal");
    Cmd_leegroups = Make<QPushButton>(framecanal, "Cmd_leegroups", "[Group Activity]");
    cmdchannels = Make<QPushButton>(framecanal, "cmdchannels", "Channel Signal");
    combogrup = Make<QComboBox>(framecanal, "combogrup");
    lstgrup = Make<QListWidget>(framecanal, "lstgrup");
    lstgrup_plot = Make<QListWidget>(framecanal, "lstgrup_plot");
    lstgrup_plot->installEventFilter(this);
    Pic_status = Picture(framecanal, "Pic_status");
    fmranalizar = Frame(framecanal, "fmranalizar");
    cmb_modeanalisis = Make<QComboBox>(fmranalizar, "cmb_modeanalisis");
    frmtxt_threshold = Make<QLineEdit>(fmranalizar, "frmtxt_threshold");
    Cmd_analyze = Make<QPushButton>(fmranalizar, "Cmd_analyze", "Analyze");
    Combofila = Make<QComboBox>(framecanal, "Combofila");
    Combocol = Make<QComboBox>(framecanal, "Combocol");
    txtsub = Make<QLineEdit>(framecanal, "txtsub", "0");
    lblcanal = Make<QLabel>(framecanal, "lblcanal", "0");

    Framegrup = Frame(PicPanel2, "Framegrup");
    Cmd_clear = Make<QPushButton>(Framegrup, "Cmd_clear", "CLEAR LIST");
    cmdcancelgrups = Make<QPushButton>(Framegrup, "cmdcancelgrups", "EXIT Group Edition");
    lblset = Make<QLabel>(Framegrup, "lblset", "SET:");
    Combo_sets = Make<QComboBox>(Framegrup, "Combo_sets");
    cmd_goset = Make<QPushButton>(Framegrup, "cmd_goset", "Go...");
    combogrup2 = Make<QComboBox>(Framegrup, "combogrup2");
    lblgrup2 = Make<QLabel>(Framegrup, "lblgrup2", "Assigned channels:");
    lstgrup2 = Make<QListWidget>(Framegrup, "lstgrup2");
    lblchgrup2 = Make<QLabel>(Framegrup, "lblchgrup2", "Free channels:");
    lstchgrup2 = Make<QListWidget>(Framegrup, "lstchgrup2");
    Framegrup->hide();

    // Labels are designed one line of their font high.
    for (QLabel* label : findChildren<QLabel*>()) label->resize(label->width(), label->fontMetrics().height() + 2);

    Timer_play = Named(new QTimer(this), "Timer_play");
    Timer_play->setInterval(50);
    Timer_button = Named(new QTimer(this), "Timer_button");
    Timer_button->setInterval(1000);
    connect(Timer_button, &QTimer::timeout, this, [this] { Timer_button_Timer(); });
    Cmd_main->setMouseTracking(true);
    Cmd_main->installEventFilter(this);

    // Menu bar.
    mnwatching = Named(menuBar()->addMenu("Watching Folders"), "mnwatching");
    auto design = browser::DesignWatchedFolders();
    for (int i = 0; i < browser::kWatchedFolders; ++i) {
        Txtfolder[i] = NamedAction(mnwatching, Q(design[i]), QString("Txtfolder_%1").arg(i));
        connect(Txtfolder[i], &QAction::triggered, this, [this, i] { Txtfolder_Click(i); });
    }
    mnadvanced = menuBar()->addAction("Advanced_calculation");
    mnadvanced->setObjectName("mnadvanced");

    // The list's pop-up menu.
    mnrename = Popup(this, "mnrename");
    lst_rename = NamedAction(mnrename, "Rename", "lst_rename");
    lst_explorefind = NamedAction(mnrename, "Find in Folder", "lst_explorefind");
    mntag_jk = Named(mnrename->addMenu("Kinetic Group TAG"), "mntag_jk");
    const char* tags[] = {"CLEAR", "[K1]", "[K2]", "[K3]", "[K4]"};
    for (int i = 0; i < 5; ++i) {
        tagjk[i] = NamedAction(mntag_jk, tags[i], QString("tagjk_%1").arg(i));
        connect(tagjk[i], &QAction::triggered, this, [this, i] { tagjk_Click(i); });
    }
    mntag_jr = Named(mnrename->addMenu("Tag as  Replicate [Experiment Replication]"), "mntag_jr");
    for (int i = 1; i <= 9; ++i) tagjr[i] = NamedAction(mntag_jr, QString("#%1").arg(i), QString("tagjr_%1").arg(i));
    mnrename->addSeparator();
    lst_plateconfig = NamedAction(mnrename, "Plate Config", "lst_plateconfig");
    mnrename->addSeparator();
    lst_delete = NamedAction(mnrename, "Delete", "lst_delete");

    // The plot picture's pop-up menus, one per view.
    mnexporta = Popup(this, "mnexporta");
    bmpexporta = NamedAction(mnexporta, "Export to BMP...", "bmpexporta");
    asciiexporta = NamedAction(mnexporta, "Export to ASCII...", "asciiexporta");
    mnrelativize = Popup(this, "mnrelativize");
    mnrel0 = NamedAction(mnrelativize, "Relativize to Time0", "mnrel0");
    mnrel0->setCheckable(true);
    mnrelativize->addSeparator();
    mn_jointbmp = NamedAction(mnrelativize, "Export .BMP", "mn_jointbmp");
    mn_jointexport = NamedAction(mnrelativize, "Export Data", "mn_jointexport");
    mnline = Popup(this, "mnline");
    mn_linebmp = NamedAction(mnline, "Export .BMP", "mn_linebmp");
    Mnplate = Popup(this, "Mnplate");
    mn_platebmp = NamedAction(Mnplate, "Export .BMP", "mn_platebmp");
    mn_plateedit = NamedAction(Mnplate, "Edit Plate Groups", "mn_plateedit");
    mntrack = Popup(this, "mntrack");
    mn_bmptrack = NamedAction(mntrack, "Export .BMP", "mn_bmptrack");
    mn_datatrack = NamedAction(mntrack, "Export Data", "mn_datatrack");

    // Handlers.
    connect(lst_rename, &QAction::triggered, this, [this] { lst_rename_Click(); });
    connect(lst_explorefind, &QAction::triggered, this, [this] { lst_explorefind_Click(); });
    connect(lst_plateconfig, &QAction::triggered, this, [this] { lst_plateconfig_Click(); });
    connect(lst_delete, &QAction::triggered, this, [this] { lst_delete_Click(); });
    connect(cmd_lupa, &QPushButton::clicked, this, [this] { cmd_lupa_Click(); });
    connect(txt_search, &QLineEdit::returnPressed, this, [this] { cmd_lupa_Click(); });
    connect(Cmd_main, &QPushButton::clicked, this, [this] { Cmd_main_Click(); });
    connect(Listpj, &QListWidget::itemDoubleClicked, this, [this] { Listpj_DblClick(); });
    connect(Txt_description, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling_description) m_description_dirty = true;
    });
    connect(Cmd_report, &QPushButton::clicked, this, [this] { Cmd_report_Click(); });
    connect(mnadvanced, &QAction::triggered, this, [this] { mnadvanced_Click(); });
    connect(Cmd_leegroups, &QPushButton::clicked, this, [this] { Cmd_leegroups_Click(); });
    connect(Cmd_barplot, &QPushButton::clicked, this, [this] { Cmd_barplot_Click(); });
    connect(Cmd_gridplot, &QPushButton::clicked, this, [this] { Cmd_gridplot_Click(); });
    connect(Cmd_lineplot, &QPushButton::clicked, this, [this] { Cmd_lineplot_Click(); });
    connect(cmd_plus, &QPushButton::clicked, this, [this] { cmd_plus_Click(); });
    connect(cmd_minus, &QPushButton::clicked, this, [this] { cmd_minus_Click(); });
    connect(List_tags, &QListWidget::itemDoubleClicked, this, [this] { List_tags_DblClick(); });
    connect(lstgrup_plot, &QListWidget::itemDoubleClicked, this, [this] { lstgrup_plot_DblClick(); });
    connect(mnrel0, &QAction::triggered, this, [this] {
        // The menu has flipped the mark already; the handler flips it itself.
        mnrel0->setChecked(!mnrel0->isChecked());
        mnrel0_Click();
    });
    connect(mn_jointexport, &QAction::triggered, this, [this] { mn_jointexport_Click(); });
    connect(mn_jointbmp, &QAction::triggered, this, [this] { mn_jointbmp_Click(); });
    connect(mn_linebmp, &QAction::triggered, this, [this] { mn_linebmp_Click(); });
    connect(mn_platebmp, &QAction::triggered, this, [this] { mn_platebmp_Click(); });
    connect(bmpexporta, &QAction::triggered, this, [this] { bmpexporta_Click(); });
    ConnectEditorAndTracking();
    ConnectChannelView();
}

// ---- layout and hover ---------------------------------------------------------

void Frm_offline::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    ArrangeBrowserControls();
}

void Frm_offline::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // The window opens at 12000 x 9000 twips of outer size, its frame included.
    if (m_outer_size_set) return;
    m_outer_size_set = true;
    const QSize frame = frameGeometry().size() - size();
    if (!frame.isEmpty()) resize(QSize(800, 600) - frame);
}

void Frm_offline::ArrangeBrowserControls() {
    const double tpp = kTwipsPerPixel;
    const QRect outer = frameGeometry();
    WidgetTarget target(this, tpp);
    try {
        browser::ArrangeBrowserControls(outer.width() * tpp, outer.height() * tpp, tpp, target);
    } catch (...) {
        // A layout that cannot be completed leaves the rest where it was.
    }
    DrawRoundFrame(PicPanel1);
    DrawRoundFrame(PicPanel2);
}

void Frm_offline::Timer_button_Timer() {
    SetTextColour(lbl_date, kCaptionRestColour);
    SetTextColour(lblproject, kCaptionRestColour);
}

bool Frm_offline::HoverEvent(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseMove) return false;
    if (watched == lbl_date || watched == lblproject) SetTextColour(static_cast<QLabel*>(watched), kCaptionHoverColour);
    else if (watched != Cmd_main) return false;
    // Enabling a running timer leaves its ticks where they were.
    if (!Timer_button->isActive()) Timer_button->start();
    return false;
}

}  // namespace vondrel
