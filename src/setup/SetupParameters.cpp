// The parameter controls of the setup window: each writes its value into the
// program-wide variables as soon as it changes; Form_Load fills them.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "mainwindow/Frm_Main.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "setup/Frm_setup.h"
#include "setup/ProjectRules.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

void Refill(QComboBox* box, const std::vector<std::string>& items) {
    QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& s : items) box->addItem(Q(s));
    box->setCurrentIndex(-1);
}

// Selects an entry by code (no handler runs); a value the list cannot show
// leaves no entry selected.
void Show(QComboBox* box, int index) {
    QSignalBlocker quiet(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
    if (box->isEditable() && box->currentIndex() < 0) box->setEditText(QString());
}

std::string SnrDefaultText(int organism) {
    return setup::FormatOneDecimal(setup::OrganismSnrTenths(organism) / 10.0, platform::LocaleDecimalSeparator());
}

}  // namespace

// Writes a box's text from a handler of that box without running it again.
void Frm_setup::SetTextQuietly(QLineEdit* box, const std::string& text) {
    QSignalBlocker quiet(box);
    box->setText(Q(text));
}

void Frm_setup::FillParameters() {
    ToolsTable& t = g_tool_param;
    Refill(Combo_aqmode, setup::AcquisitionModeItems());
    Show(Combo_aqmode, g_acq_mode);
    // Filling the boxes runs their change handling, which keeps each value.
    Txtlapse->setText(QString::number(g_acq_lapse));
    Txtsample->setText(QString::number(g_sample_rate));
    Txtbuffer->setText(QString::number(g_rt_buffer));
    Txt_dspinterval->setText(QString::number(g_dsp_interval));
    Refill(ComboDSP, setup::DetectionMethodItems());
    if (g_dsp_method >= 0 && g_dsp_method <= 3) Show(ComboDSP, g_dsp_method);
    Refill(Cmb_organism, setup::OrganismItems());
    const int organism = t[1][0];
    if (organism >= 0 && organism <= 3) Show(Cmb_organism, organism);
    if (t[1][3] != 0) {
        lbl_snr->setText(Q(setup::FormatOneDecimal(t[1][3] / 10.0, platform::LocaleDecimalSeparator())));
    } else if (organism >= 0 && organism <= 3) {
        lbl_snr->setText(Q(SnrDefaultText(organism)));
        t[1][3] = static_cast<int16_t>(setup::OrganismSnrTenths(organism));
    }
    lbl_snr->setEnabled(false);
    Refill(Combosavecount, {"NO", "YES"});
    Show(Combosavecount, 1);
    Refill(Combosavereal, {"NO", "YES"});
    Show(Combosavereal, g_save_real);
    SetToolFlags();
}

void Frm_setup::SetToolFlags() {
    chkcalib->setChecked(true);
    chkcalib->setEnabled(false);
    g_tool_cal = 1;
    FrmMain().frm_mn1->show();
    chklight->setChecked(g_tool_light == 1);
    chktemp->setChecked(g_tool_temp == 1);
    Chk_mn4->setChecked(g_tool_menu4 == 1);
    Chk_mn5->setChecked(g_tool_menu5 == 1);
    Chk_mn6->setChecked(g_tool_menu6 == 1);
}

void Frm_setup::Combo_aqmode_Click() {
    if (Combo_aqmode->currentIndex() >= 0) g_acq_mode = static_cast<int16_t>(Combo_aqmode->currentIndex());
}

void Frm_setup::ComboDSP_Click() {
    if (ComboDSP->currentIndex() >= 0) g_dsp_method = static_cast<int16_t>(ComboDSP->currentIndex());
}

void Frm_setup::Cmb_organism_Click() {
    const int organism = Cmb_organism->currentIndex();
    if (organism < 0 || organism > 3) return;
    lbl_snr->setText(Q(SnrDefaultText(organism)));
    g_tool_param[1][3] = static_cast<int16_t>(setup::OrganismSnrTenths(organism));
    g_tool_param[1][0] = static_cast<int16_t>(organism);
    g_dsp_method = static_cast<int16_t>(setup::OrganismMethod(organism));
    Show(ComboDSP, g_dsp_method);
    ComboDSP_Click();
}

void Frm_setup::txt_snr_DblClick() {
    lbl_snr->setEnabled(true);
    lbl_snr->setFocus(Qt::OtherFocusReason);
}

void Frm_setup::lbl_snr_LostFocus() {
    // The message box and the refocus below must not start a second check.
    if (m_snr_checking) return;
    m_snr_checking = true;
    const std::string sign = platform::LocaleDecimalSeparator();
    SetTextQuietly(lbl_snr, setup::ReformatSnrText(Str(lbl_snr->text()), sign));
    const int organism = Cmb_organism->currentIndex();
    const setup::SnrCheck check = setup::CheckSnr(Str(lbl_snr->text()), organism);
    if (check.accepted) {
        g_tool_param[1][3] = check.tenths;
    } else {
        platform::MsgBox(check.message);
        if (check.defaultTenths) {
            SetTextQuietly(lbl_snr, SnrDefaultText(organism));
            g_tool_param[1][3] = *check.defaultTenths;
        }
        lbl_snr->setFocus(Qt::OtherFocusReason);
    }
    m_snr_checking = false;
}

void Frm_setup::Txtlapse_Change() {
    if (m_in_handler) return;
    const setup::BoxRule r = setup::LapseRule(Str(Txtlapse->text()));
    g_acq_lapse = r.value;
    if (r.replaceText) SetTextQuietly(Txtlapse, *r.replaceText);
}

void Frm_setup::Txtsample_Change() { g_sample_rate = setup::WholeNumberRule(Str(Txtsample->text()), g_sample_rate); }

void Frm_setup::Txt_dspinterval_Change() {
    g_dsp_interval = setup::WholeNumberRule(Str(Txt_dspinterval->text()), g_dsp_interval);
}

void Frm_setup::Txtbuffer_LostFocus() {
    const setup::BoxRule r = setup::BufferRule(Str(Txtbuffer->text()));
    if (r.replaceText) SetTextQuietly(Txtbuffer, *r.replaceText);
    g_rt_buffer = r.value;
}

void Frm_setup::Combosavecount_Click() {
    Show(Combosavecount, 1);
    g_save_counts = 1;
}

void Frm_setup::Combosavereal_Click() { g_save_real = Combosavereal->currentText() == "YES" ? 1 : 0; }

void Frm_setup::chkcalib_Click() {
    const bool on = chkcalib->isChecked();
    g_tool_cal = on ? 1 : 0;
    FrmMain().frm_mn1->setVisible(on);
}

void Frm_setup::chklight_Click() {
    const bool on = chklight->isChecked();
    g_tool_light = on ? 1 : 0;
    Frm_Main& main = FrmMain();
    main.Frame_light->setVisible(on);
    main.frm_pulse->setVisible(on);
    main.Chk_lenabled->setChecked(on);
    main.Chk_lenabled_Click();
}

void Frm_setup::chktemp_Click() {
    const bool on = chktemp->isChecked();
    g_tool_temp = on ? 1 : 0;
    FrmMain().Frame_temp->setVisible(on);
}

void Frm_setup::mn_advanced_Click() { Frame_advanced->setVisible(!Frame_advanced->isVisible()); }

// The annotation frame is reached through this box; hiding the frame from
// the main window unticks it.
void Frm_setup::chk_advance_Click() {
    frm_advance->setVisible(chk_advance->isChecked());
    if (chk_advance->isChecked()) frm_advance->raise();
}

}  // namespace vondrel
