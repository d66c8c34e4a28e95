// The technical panel: Frm_Vetrol_mini ("Form1", opened from the main
// window's technical menu) or its bank-split twin Frm_Vetrol (built by the
// same class, opened by no control). A technician picks a channel, watches
// its live level, reads and sets gain and power, runs Auto-Gain, the
// instrument's autocalibration and the gain-curve test, and switches
// channels on or off for acquisition. The rules and exchanges live in
// PanelRules, LevelHistory, AutoGain and PanelDevice; this class wires them
// to the controls.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "techpanel/LevelHistory.h"
#include "techpanel/PanelRules.h"
#include "techpanel/TraceSegments.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace vondrel {

class Canvas;
class Shape;

class Frm_Vetrol : public QWidget {
    Q_OBJECT
public:
    // Runs Form_Load.
    explicit Frm_Vetrol(techpanel::PanelVariant variant, QWidget* parent = nullptr);
    ~Frm_Vetrol() override;

    techpanel::PanelVariant Variant() const { return variant_; }

    void Form_Load();
    void Form_Activate() {}
    void Form_Unload();
    void Combocol_Click();
    void Combofila_Click();
    void Picwell_MouseMove(int button, double x, double y);
    void Picwell_MouseDown(int button, double x, double y);
    void Command10_Click();
    void Command11_Click();
    void mas_Click();
    void menos_Click();
    void pix_mas_Click();
    void pix_menos_Click();
    void lblstatus_DblClick();
    void Command2_Click();
    void Command21_Click();
    void Command22_Click();
    void Command24_Click();
    void Cmd_online_Click();
    void Cmd_offline_Click();
    void Cmd_setall_Click();
    void cmd_setcalibra_Click();
    void Cmdcalibrar_Click();
    void cmd_autocalibra_Click();
    void cmdTEST_Click();
    void Scroll_threshold_Change();
    void scrollgain_Change();
    void scrollpower_Change();
    void SendSelectedChannel();
    // Reads every channel's setting back and saves calvalue.dat; no control
    // runs it.
    void ReadBackCalibration();
    void ReadRealTimeLevels(int station);
    void ReadRealTimeLevelsStationZero() { ReadRealTimeLevels(0); }
    void Timerreal_Timer() {}

    void DrawPanelAxes();
    void DrawPanelWellMap();
    void ClearPanelTrace();
    void DrawPanelTrace();

    // State read by the display and the tests.
    int16_t m_online = 0;
    int16_t m_test_running = 0;
    int16_t m_sample_done = 0;
    int16_t m_io_status = 0;
    int m_hover_column = 0;
    int m_hover_row = 0;
    int m_panel_zoom = 0;
    std::array<int16_t, techpanel::kHistoryChannels> m_trace_max{};
    techpanel::LevelHistory m_history;
    // True while the ONLINE loop is on the stack.
    bool LoopRunning() const { return loopDepth_ > 0; }

    QComboBox* Combofila = nullptr;
    QComboBox* Combocol = nullptr;
    QLabel* lblcanal = nullptr;
    QLabel* lblnchannel = nullptr;
    Canvas* Picwell = nullptr;
    Canvas* Picwell_out = nullptr;
    Canvas* Picreal = nullptr;
    QLineEdit* txtzoom = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command11 = nullptr;
    QLineEdit* txt_brillo = nullptr;
    QPushButton* mas = nullptr;
    QPushButton* menos = nullptr;
    QLineEdit* txt_pixsize = nullptr;
    QPushButton* pix_mas = nullptr;
    QPushButton* pix_menos = nullptr;
    QLabel* lblstatus = nullptr;
    QLineEdit* txt_threshold = nullptr;
    QScrollBar* Scroll_threshold = nullptr;
    QLineEdit* txtgain = nullptr;
    QScrollBar* scrollgain = nullptr;
    QLineEdit* txtpower = nullptr;
    QScrollBar* scrollpower = nullptr;
    QLabel* lblout = nullptr;
    QPushButton* Cmd_online = nullptr;
    QPushButton* Cmd_offline = nullptr;
    Shape* shapeonline = nullptr;
    Shape* shapeoffline = nullptr;
    QLabel* TXT_com = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command21 = nullptr;
    QPushButton* Command22 = nullptr;
    QPushButton* Command24 = nullptr;
    QGroupBox* frame_station = nullptr;
    std::array<QRadioButton*, 4> option_station{};
    QComboBox* Combomode = nullptr;
    QLineEdit* Txtajuste = nullptr;
    QPushButton* Cmdcalibrar = nullptr;
    QLabel* lblcalibrando = nullptr;
    QLineEdit* txt_ganancia = nullptr;
    QLineEdit* txt_power = nullptr;
    QPushButton* cmd_setcalibra = nullptr;
    QPushButton* Cmd_setall = nullptr;
    QPushButton* cmdTEST = nullptr;
    QLineEdit* txt_test = nullptr;
    Canvas* picturecal = nullptr;
    QPushButton* cmd_autocalibra = nullptr;
    QLineEdit* txt_autocal = nullptr;
    QTimer* Timerreal = nullptr;
    QPushButton* Cmdsend = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* CmdCalibrate = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MakeControls();
    void SetIndicators(bool online);
    int Station() const;
    int SelectedChannel() const;
    // Shows a channel as selected: selectors, lblcanal, its threshold and
    // its enabled state; nothing is written anywhere.
    void ShowChannel(int channel);
    // The refusals every instrument operation shares; true when it may go on.
    bool OperationAllowed(bool needsInstrument);
    void ScanStep(const techpanel::ScanGeometry& g, int x, int y, uint32_t grey);
    void FinishUnload();

    techpanel::PanelVariant variant_;
    int loopDepth_ = 0;
    bool unloadPending_ = false;
    bool unloaded_ = false;
    std::vector<techpanel::TraceSegment> segments_;
};

// The technical panel of the technical menu: made and loaded on first use.
Frm_Vetrol& FrmVetrolMini();
bool FrmVetrolMiniLoaded();
// Shows the panel (the main window's technical menu, after its password).
void ShowTechnicalPanel();

}  // namespace vondrel
