// "[User Defined Report]": the user's report settings kept in repoconf.dat.
#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vondrel {

class Frm_reportset : public QWidget {
public:
    Frm_reportset();
    void Form_Load();
    void Cmd_generate_Click();  // "Apply"
    void Cmd_cancel_Click();    // "Back to Default"

    QGroupBox* frm_reportset_frame = nullptr;
    QComboBox* Cmb_binsize = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 2> Option_report{};
    QLineEdit* txt_customspacer = nullptr;
    std::array<QRadioButton*, 4> Option_output{};
    std::array<QCheckBox*, 5> Chk_statistic{};
    QCheckBox* Chk_rawexport = nullptr;
    QCheckBox* Chk_autofile = nullptr;
    QPushButton* Cmd_generate = nullptr;
    QPushButton* Cmd_cancel = nullptr;
};

Frm_reportset& FrmReportSet();
bool FrmReportSetLoaded();
void UnloadReportSetWindow();

// Sets the main window's hooks to the report window and the settings dialog.
void InstallReportWindows();

}  // namespace vondrel
