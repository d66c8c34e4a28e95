#include "mainwindow/Frm_Init.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "device/ModCOMM.h"
#include "mainwindow/Activation.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/Shaping.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "store/Globals.h"
#include "store/StatusLine.h"

namespace vondrel {

Frm_Init::Frm_Init(QWidget* parent) : QWidget(parent) {
    setObjectName("Frm_Init");
    setWindowTitle("Vondrel");
    setFixedSize(420, 400);

    auto make = [this](const char* name, const char* caption, int y) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setGeometry(60, y, 300, 44);
        return b;
    };
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(20, 12, 380, 40);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setText("<b><font size=\"+3\">Vondrel</font></b>");
    Image1->installEventFilter(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(20, 55, 380, 20);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->installEventFilter(this);
    cmd_option1 = make("cmd_option1", "Setup a New Project", 90);
    cmd_option2 = make("cmd_option2", "Run Latest Project", 145);
    cmd_option3 = make("cmd_option3", "Analyze recorded experiments", 200);
    cmd_option4 = make("cmd_option4", "EXIT", 255);
    LblNews = new QLabel("Equipment Status = unknown", this);
    LblNews->setTextFormat(Qt::PlainText);  // status lines name ports and folders
    LblNews->setObjectName("LblNews");
    LblNews->setGeometry(20, 315, 380, 22);
    LblNews->setAlignment(Qt::AlignCenter);
    Label_version = new QLabel(this);
    Label_version->setObjectName("Label_version");
    Label_version->setGeometry(20, 350, 380, 20);
    Label_version->setAlignment(Qt::AlignCenter);

    connect(cmd_option1, &QPushButton::clicked, this, [this] { cmd_option1_Click(); });
    connect(cmd_option2, &QPushButton::clicked, this, [this] { cmd_option2_Click(); });
    connect(cmd_option3, &QPushButton::clicked, this, [this] { cmd_option3_Click(); });
    connect(cmd_option4, &QPushButton::clicked, this, [this] { cmd_option4_Click(); });

    WatchActivation(this, [this] { Form_Activate(); });
    // The loaders' and the port scan's status lines appear here.
    SetStatusLineSink([this](const std::string& text) { ShowNews(text); });
}

Frm_Init::~Frm_Init() { SetStatusLineSink(nullptr); }

void Frm_Init::ShowNews(const std::string& text) {
    QString q = QString::fromStdString(text);
    LblNews->setText(q);
    LblNews->repaint();
    emit newsShown(q);
}

void Frm_Init::Form_Load() {
    RoundWindowInsetPixels(cmd_option1);
    RoundWindowInsetPixels(cmd_option2);
    RoundWindowInsetPixels(cmd_option3);
    RoundWindowInsetPixels(cmd_option4);
    g_connected = 0;
    Label1->setText("Tetrav Version by KorvaTech");
    Label_version->setText(kVersionText);
    FrmMain().hide();
    if (Hooks().loadSetupHidden) Hooks().loadSetupHidden();
}

void Frm_Init::Form_Activate() {
    if (g_connected == -1) {
        ShowNews("status: Connected in COM" + std::to_string(g_com_port));
    } else if (CommPortLost(g_com_port)) {
        // The instrument went away during the connection (a hang-up closed
        // its port): the line no longer claims a connection, and "Run Latest
        // Project" looks for the instrument again.
        ShowNews("status: not connected (instrument lost on COM" + std::to_string(g_com_port) + ")");
    }
}

bool Frm_Init::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Image1) Image1_DblClick();
        if (watched == Label1) Label1_DblClick();
    }
    return QWidget::eventFilter(watched, event);
}

void Frm_Init::Image1_DblClick() { QDesktopServices::openUrl(QUrl(kMakerWebSite)); }
void Frm_Init::Label1_DblClick() { QDesktopServices::openUrl(QUrl(kMakerWebSite)); }

void Frm_Init::OpenProjectSetup() {
    if (!Hooks().showSetup) {
        platform::MsgBox("The project setup window is not available in this version.");
        return;
    }
    hide();
    Hooks().showSetup();
}

void Frm_Init::RunLatestProject() {
    hide();
    Frm_Main& main = FrmMain();
    main.show();
    if (g_connected == 0) main.cmd_connect_Click();
}

void Frm_Init::OpenRecordedData() {
    if (!Hooks().showBrowser) {
        platform::MsgBox("The recorded experiments browser is not available in this version.");
        return;
    }
    hide();
    Hooks().showBrowser();
}

void Frm_Init::QuitProgram() {
    if (!platform::AskYesNo("Sure to Quit?")) return;
    if (g_connected == -1 && Hooks().closePort) Hooks().closePort(g_com_port);
    platform::PumpEvents();
    platform::SleepMs(100);
    EndProgram(0);
}

}  // namespace vondrel
