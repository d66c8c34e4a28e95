#include "mainwindow/Frm_About.h"

#include <QLabel>
#include <QVBoxLayout>

#include "mainwindow/Frm_Init.h"

namespace vondrel {

Frm_About::Frm_About(QWidget* parent) : QWidget(parent) {
    setObjectName("Frm_About");
    setWindowTitle("About");
    auto* layout = new QVBoxLayout(this);
    Image1 = new QLabel("<b><font size=\"+3\">Vondrel</font></b>", this);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Label_version = new QLabel(this);
    Label_version->setObjectName("Label_version");
    Label_version->setAlignment(Qt::AlignCenter);
    lbl_credits = new QLabel(
        "Acquisition software of the microplate activity counter.\n"
        "Developed by KorvaTech.\n"
        "Contact: " + QString::fromLatin1(kMakerWebSite),
        this);
    lbl_credits->setObjectName("lbl_credits");
    lbl_credits->setAlignment(Qt::AlignCenter);
    layout->addWidget(Image1);
    layout->addWidget(Label_version);
    layout->addWidget(lbl_credits);
    Form_Load();
}

void Frm_About::Form_Load() { Label_version->setText(kVersionText); }

}  // namespace vondrel
