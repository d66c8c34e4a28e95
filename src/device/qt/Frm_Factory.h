// "Factory Settings": the instrument's serial, its temperature-sensor
// calibration state, the live temperature and "SET", which writes a new
// offset (from a reference temperature typed by the technician) into the
// instrument with today's month and year.
#pragma once

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vondrel {

class Frm_Factory : public QWidget {
    Q_OBJECT
public:
    // Runs Form_Load once.
    explicit Frm_Factory(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Activate();
    void Timer_temp_Timer();
    void Cmd_temp_Click();
    void Form_Unload();

    // Run by Form_Unload after the timer is off (the main window shows itself).
    std::function<void()> onUnload;

    QGroupBox* Frame1 = nullptr;
    QLabel* lblserial = nullptr;
    QLabel* txt_mensaje = nullptr;
    QLabel* Label_current = nullptr;
    QLineEdit* txt_current_temp = nullptr;
    QLineEdit* txt_set_temp = nullptr;
    QPushButton* Cmd_temp = nullptr;
    QTimer* Timer_temp = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing runs Form_Unload and only hides the one window.
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace vondrel
