// The annotation grid of the setup window: six groups at a time, their five
// texts, the global attributes, scrolling, Fill and SET Global.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "mainwindow/QtText.h"
#include "mainwindow/Shape.h"
#include "mainwindow/Shaping.h"
#include "platform/Numbers.h"
#include "setup/Annotation.h"
#include "setup/Frm_setup.h"
#include "platform/qt/NamedWidget.h"

namespace vondrel {


void Frm_setup::BuildAnnotationControls() {
    QWidget* f = frm_advance;
    Shape3 = Make<Shape>(f, "Shape3");
    Shape4 = Make<Shape>(f, "Shape4");
    Shape1 = Make<Shape>(f, "Shape1");
    lbl_group = Make<QLabel>(f, "lbl_group", "#Group");
    lbl_compound = Make<QLabel>(f, "lbl_compound", "Compound");
    lbl_conc = Make<QLabel>(f, "lbl_conc", "[Conc]");
    lbl_strain = Make<QLabel>(f, "lbl_strain", "Strain");
    lbl_org = Make<QLabel>(f, "lbl_org", "[org/well]");
    lbl_buff = Make<QLabel>(f, "lbl_buff", "Buffer");
    for (int k = 0; k < setup::kAnnotationRows; ++k) {
        const std::string n = "_" + std::to_string(k);
        adv_group[k] = Make<QRadioButton>(f, "adv_group" + n);
        txt_group[k] = Make<QLineEdit>(f, "txt_group" + n);
        txt_compound[k] = Make<QLineEdit>(f, "txt_compound" + n);
        txt_conc[k] = Make<QLineEdit>(f, "txt_conc" + n);
        txt_strain[k] = Make<QLineEdit>(f, "txt_strain" + n);
        txt_org[k] = Make<QLineEdit>(f, "txt_org" + n);
        txt_buffer[k] = Make<QLineEdit>(f, "txt_buffer" + n);
        connect(txt_compound[k], &QLineEdit::textChanged, this, [this, k] { txt_compound_Change(k); });
        connect(txt_conc[k], &QLineEdit::textChanged, this, [this, k] { txt_conc_Change(k); });
        connect(txt_strain[k], &QLineEdit::textChanged, this, [this, k] { txt_strain_Change(k); });
        connect(txt_org[k], &QLineEdit::textChanged, this, [this, k] { txt_org_Change(k); });
        connect(txt_buffer[k], &QLineEdit::textChanged, this, [this, k] { txt_buffer_Change(k); });
    }
    cmd_up = Make<QPushButton>(f, "cmd_up", "^");
    cmd_down = Make<QPushButton>(f, "cmd_down", "v");
    combo_tool = Make<QComboBox>(f, "combo_tool");
    txt_global = Make<QLineEdit>(f, "txt_global");
    cmd_fill = Make<QPushButton>(f, "cmd_fill", "Fill");
    cmd_setglobal = Make<QPushButton>(f, "cmd_setglobal", "SET Global");
    lbl_global = Make<QLabel>(f, "lbl_global", "Globals:");
    Chk_global_strain = Make<QCheckBox>(f, "Chk_global_strain", "Strain");
    Chk_global_orgnum = Make<QCheckBox>(f, "Chk_global_orgnum", "[org/well]");
    Chk_global_buffer = Make<QCheckBox>(f, "Chk_global_buffer", "Buffer");
    txt_global_strain = Make<QLineEdit>(f, "txt_global_strain");
    txt_global_orgnum = Make<QLineEdit>(f, "txt_global_orgnum");
    txt_global_buffer = Make<QLineEdit>(f, "txt_global_buffer");
    for (QCheckBox* c : {Chk_global_strain, Chk_global_orgnum, Chk_global_buffer}) c->setChecked(true);

    connect(cmd_up, &QPushButton::clicked, this, [this] { cmd_up_Click(); });
    connect(cmd_down, &QPushButton::clicked, this, [this] { cmd_down_Click(); });
    connect(cmd_fill, &QPushButton::clicked, this, [this] { cmd_fill_Click(); });
    connect(cmd_setglobal, &QPushButton::clicked, this, [this] { cmd_setglobal_Click(); });
    connect(Chk_global_strain, &QCheckBox::toggled, this, [this] { Chk_global_strain_Click(); });
    connect(Chk_global_orgnum, &QCheckBox::toggled, this, [this] { Chk_global_orgnum_Click(); });
    connect(Chk_global_buffer, &QCheckBox::toggled, this, [this] { Chk_global_buffer_Click(); });
    connect(txt_global_buffer, &QLineEdit::textChanged, this, [this] { txt_global_buffer_Change(); });
}

void Frm_setup::ShowAnnotationGrid() {
    const double tpp = kTwipsPerPixel;
    const double H = frm_advance->height() * tpp, W = frm_advance->width() * tpp;
    auto px = [&](double twips) { return static_cast<int>(RoundHalfEven(twips / tpp)); };
    // Edges are rounded, not sizes, so that columns and rows that meet in the
    // frame's units still meet, without overlapping, in pixels.
    auto place = [&](QWidget* w, double left, double right, double top, double bottom) {
        w->setGeometry(px(left * W), px(top * H), px(right * W) - px(left * W), px(bottom * H) - px(top * H));
    };
    const auto columns = setup::AnnotationColumns(Chk_global_strain->isChecked(), Chk_global_orgnum->isChecked(),
                                                  Chk_global_buffer->isChecked());
    for (const setup::AnnotationColumn& c : columns) {
        if (!c.label.empty()) {
            if (auto* l = frm_advance->findChild<QWidget*>(Q(c.label))) {
                // The label row ends where the first row of boxes begins.
                place(l, c.labelLeft, c.labelLeft + c.labelWidth, 0.23, 0.3);
                l->setVisible(c.visible);
            }
        }
        for (int k = 0; k < setup::kAnnotationRows; ++k) {
            if (auto* b = frm_advance->findChild<QWidget*>(Q(c.rows + "_" + std::to_string(k)))) {
                place(b, c.boxLeft, c.boxLeft + c.boxWidth, 0.3 + 0.1 * k, 0.3 + 0.1 * (k + 1));
                b->setVisible(c.visible);
            }
        }
    }
    for (int k = 0; k < setup::kAnnotationRows; ++k) {
        const size_t g = static_cast<size_t>(m_annotation_first_row + k);
        txt_group[k]->setText(QString::number(g));
        txt_compound[k]->setText(Q(g_group_compound[g]));
        txt_conc[k]->setText(Q(g_group_concentration[g]));
        txt_strain[k]->setText(Q(g_group_strain[g]));
        txt_org[k]->setText(Q(g_group_organism_count[g]));
        txt_buffer[k]->setText(Q(g_group_medium[g]));
    }
    if (Chk_global_strain->isChecked() && g_global_strain.empty()) g_global_strain = "N2";
    if (Chk_global_orgnum->isChecked() && g_global_organism_count.empty()) g_global_organism_count = "35";
    if (Chk_global_buffer->isChecked() && g_global_medium.empty()) g_global_medium = "M9";
    txt_global_strain->setText(Q(g_global_strain));
    txt_global_buffer->setText(Q(g_global_medium));
    txt_global_orgnum->setText(Q(g_global_organism_count));
}

void Frm_setup::FillAnnotationColumns() {
    QSignalBlocker quiet(combo_tool);
    combo_tool->clear();
    for (const std::string& s : setup::AnnotationToolItems()) combo_tool->addItem(Q(s));
    combo_tool->setCurrentIndex(0);
}

namespace {
void GlobalBoxClicked(QCheckBox* box, std::string& text, const char* fallback) {
    if (!box->isChecked()) text.clear();
    else if (text.empty()) text = fallback;
}
}  // namespace

void Frm_setup::Chk_global_strain_Click() {
    GlobalBoxClicked(Chk_global_strain, g_global_strain, "N2");
    ShowAnnotationGrid();
}
void Frm_setup::Chk_global_orgnum_Click() {
    GlobalBoxClicked(Chk_global_orgnum, g_global_organism_count, "35");
    ShowAnnotationGrid();
}
void Frm_setup::Chk_global_buffer_Click() {
    GlobalBoxClicked(Chk_global_buffer, g_global_medium, "M9");
    ShowAnnotationGrid();
}

void Frm_setup::cmd_up_Click() {
    m_annotation_first_row = static_cast<int16_t>(setup::AnnotationRowUp(m_annotation_first_row));
    ShowAnnotationGrid();
}

void Frm_setup::cmd_down_Click() {
    m_annotation_first_row = static_cast<int16_t>(setup::AnnotationRowDown(m_annotation_first_row));
    ShowAnnotationGrid();
}

void Frm_setup::cmd_fill_Click() {
    const std::string tool = Str(combo_tool->currentText());
    if (!setup::FillAnnotation(tool, Str(txt_global->text()))) return;
    QCheckBox* global[] = {nullptr, Chk_global_strain, Chk_global_orgnum, Chk_global_buffer};
    QCheckBox* box = global[setup::AnnotationGlobalOf(tool)];
    // Unticking runs the box's handler, which shows the grid again.
    if (box && box->isChecked()) box->setChecked(false);
    else ShowAnnotationGrid();
}

void Frm_setup::cmd_setglobal_Click() {
    const std::string tool = Str(combo_tool->currentText());
    const std::string text = Str(txt_global->text());
    switch (setup::AnnotationGlobalOf(tool)) {
        case 1: g_global_strain = text; Chk_global_strain->setChecked(true); break;
        case 2: g_global_organism_count = text; Chk_global_orgnum->setChecked(true); break;
        case 3: g_global_medium = text; Chk_global_buffer->setChecked(true); break;
        default: return;
    }
    ShowAnnotationGrid();
}

namespace {
void Store(AnnotationTexts& column, int first, int row, const QLineEdit* box) {
    column[static_cast<size_t>(first + row)] = Str(box->text());
}
}  // namespace

void Frm_setup::txt_compound_Change(int row) { Store(g_group_compound, m_annotation_first_row, row, txt_compound[row]); }
void Frm_setup::txt_conc_Change(int row) { Store(g_group_concentration, m_annotation_first_row, row, txt_conc[row]); }
void Frm_setup::txt_strain_Change(int row) { Store(g_group_strain, m_annotation_first_row, row, txt_strain[row]); }
void Frm_setup::txt_org_Change(int row) { Store(g_group_organism_count, m_annotation_first_row, row, txt_org[row]); }
void Frm_setup::txt_buffer_Change(int row) { Store(g_group_medium, m_annotation_first_row, row, txt_buffer[row]); }
void Frm_setup::txt_global_buffer_Change() { g_global_medium = Str(txt_global_buffer->text()); }

}  // namespace vondrel
