// The checks of the run parameters typed in the main window, made when their
// box loses the focus: a valid entry is shown in the box's format and stored
// in the tool parameters; an invalid or empty one is told with the allowed
// range and replaced by the field's default.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "platform/Locale.h"
#include <algorithm>
#include <cmath>

#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "platform/Dialogs.h"
#include "platform/Numbers.h"

namespace vondrel {

namespace {

struct RangeField {
    double low, high;
    bool low_inclusive;
    int row, column;   // cell of g_tool_param
    bool tenths;       // stored as value x 10, else as the whole value
    int decimals;      // display: "0.0" (1) or "0"/"00" (0) ...
    int width;         // ... padded to this many digits
    const char* message;
    std::string default_text;
    int16_t default_cell;
};

// The typed text with the desktop's decimal comma read as a point, so an
// entry in the user's own notation (and the box's own default) is accepted.
std::string Typed(const QString& text) {
    std::string t = text.toStdString();
    if (platform::LocaleDecimalSeparator() == ",") std::replace(t.begin(), t.end(), ',', '.');
    return t;
}

// The whole text is a number (blanks around it allowed).
bool IsNumericText(const std::string& text) {
    double v = 0;
    return ParseNumber(text, v);
}

std::string Shown(double v, const RangeField& f) {
    std::string s = FormatFixed(v, f.decimals);
    if (f.decimals == 0 && !s.empty() && s[0] != '-' && static_cast<int>(s.size()) < f.width)
        s.insert(0, static_cast<size_t>(f.width) - s.size(), '0');
    // Shown with the desktop's decimal sign, as the box's default is.
    if (const size_t dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, platform::LocaleDecimalSeparator());
    return s;
}

// Returns true when the entry was valid.
bool CheckRange(QLineEdit* box, const RangeField& f) {
    const std::string text = Typed(box->text());
    const double v = Val(text);
    const bool inRange = (f.low_inclusive ? v >= f.low : v > f.low) && v <= f.high;
    if (!text.empty() && IsNumericText(text) && inRange) {
        const double stored = f.tenths ? v * 10.0 : v;
        g_tool_param[static_cast<size_t>(f.row)][static_cast<size_t>(f.column)] =
            static_cast<int16_t>(RoundHalfEven(stored));
        box->setText(QString::fromStdString(Shown(v, f)));
        return true;
    }
    platform::MsgBox(f.message);
    box->setText(QString::fromStdString(f.default_text));
    g_tool_param[static_cast<size_t>(f.row)][static_cast<size_t>(f.column)] = f.default_cell;
    return false;
}

std::string LocaleSnrDefault() {
    std::string text = "1";
    text += platform::LocaleDecimalSeparator();
    text += "8";
    return text;
}

}  // namespace

void Frm_Main::txt_lon_LostFocus() {
    CheckRange(txt_lon, {0, 23, true, 2, 1, false, 0, 2, "Invalid value: 0 to 23", "9", 9});
}

void Frm_Main::txt_loff_LostFocus() {
    CheckRange(txt_loff, {0, 23, true, 2, 2, false, 0, 2, "Invalid value: 0 to 23", "21", 21});
}

void Frm_Main::txt_pulsetimes_LostFocus() {
    const bool valid =
        CheckRange(txt_pulsetimes, {0, 99, true, 2, 3, false, 0, 1, "Invalid value: 0-99", "0", 0});
    const bool pulses = valid && g_tool_param[2][3] > 0;
    txt_lon->setEnabled(!pulses);
    txt_loff->setEnabled(!pulses);
}

void Frm_Main::txt_pulseon_LostFocus() {
    CheckRange(txt_pulseon, {0, 1440, true, 2, 4, true, 1, 0, "Invalid value: 0.0 to 1440.0", "0", 0});
}

void Frm_Main::txt_pulseoff_LostFocus() {
    CheckRange(txt_pulseoff, {0, 1440, true, 2, 5, true, 1, 0, "Invalid value: 0.0 to 1440.0", "0", 0});
}

void Frm_Main::txt_snr_umbral_LostFocus() {
    CheckRange(txt_snr_umbral, {1, 5, false, 1, 3, true, 1, 0, "Invalid value: 1.1 to 5.0", LocaleSnrDefault(), 18});
    // The organism list goes to its third entry, whose rule takes the typed
    // threshold.
    if (Cmb_organism->count() > 2) {
        Cmb_organism->setCurrentIndex(2);
        Cmb_organism_Click();
    }
}

void Frm_Main::txttemp_LostFocus() {
    CheckRange(txttemp, {5, 50, true, 3, 1, true, 1, 0, "Invalid value: 5.0 to 50.0", "20", 200});
}

// The beam of the trace: held at the plate's highest beam; the channel of
// (well, beam) becomes the selected channel. A beam below 0 or a well outside
// the plate map leaves the selected channel as it is.
void Frm_Main::txtsub_LostFocus() {
    if (Val(Typed(txtsub->text())) > g_max_beam) txtsub->setText(QString::number(g_max_beam));
    const QString row = Combofila->currentText();
    const int r = row.isEmpty() ? 0 : row.at(0).unicode() - 65;
    const double c = Val(Combocol->currentText().toStdString());
    const int well = static_cast<int>(RoundHalfEven((c - 1) * g_plate_rows + r));
    const int beam = static_cast<int>(RoundHalfEven(Val(Typed(txtsub->text()))));
    if (well < 0 || beam < 0 || well >= g_well_beam_channel.wells || beam >= g_well_beam_channel.beams) return;
    g_selected_channel = g_well_beam_channel.At(well, beam);
    ShowSelectedChannel();
}

}  // namespace vondrel
