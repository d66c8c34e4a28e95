#include "device/qt/Frm_Factory.h"
#include "platform/qt/NamedWidget.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "device/COM_Module.h"
#include "device/DevicePort.h"
#include "device/FactoryCal.h"
#include "device/ModCOMM.h"
#include "device/PortHold.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Numbers.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

QString TemperatureText(int raw) { return QString::fromStdString(FormatFixed(raw * g_temp_slope + g_temp_offset, 1)); }

}  // namespace

Frm_Factory::Frm_Factory(QWidget* parent) : QWidget(parent) {
    setObjectName("Frm_Factory");
    setWindowTitle("Factory Settings");
    resize(360, 200);
    lblserial = Named(new QLabel("SERIAL :", this), "lblserial");
    lblserial->setGeometry(20, 10, 320, 20);
    Frame1 = Named(new QGroupBox("Temperature Sensing Calibration", this), "Frame1");
    Frame1->setGeometry(10, 40, 340, 150);
    txt_mensaje = Named(new QLabel("Non Calibrated", Frame1), "txt_mensaje");
    for (QLabel* l : {lblserial, txt_mensaje}) l->setTextFormat(Qt::PlainText);
    txt_mensaje->setGeometry(10, 25, 320, 20);
    Label_current = Named(new QLabel("Current value =", Frame1), "Label_current");
    Label_current->setGeometry(10, 60, 110, 22);
    txt_current_temp = Named(new QLineEdit(Frame1), "txt_current_temp");
    txt_current_temp->setGeometry(125, 60, 70, 22);
    txt_current_temp->setReadOnly(true);
    txt_set_temp = Named(new QLineEdit(Frame1), "txt_set_temp");
    txt_set_temp->setGeometry(125, 100, 70, 22);
    Cmd_temp = Named(new QPushButton("SET", Frame1), "Cmd_temp");
    Cmd_temp->setGeometry(210, 100, 80, 24);
    Timer_temp = Named(new QTimer(this), "Timer_temp");
    Timer_temp->setInterval(platform::ScaledMs(1000));

    connect(Cmd_temp, &QPushButton::clicked, this, [this] { Cmd_temp_Click(); });
    // Like every timer handler, the reading waits its turn while another
    // operation holds the instrument port.
    connect(Timer_temp, &QTimer::timeout, this, [this] {
        if (!PortHeld()) Timer_temp_Timer();
    });
    Form_Load();
}

void Frm_Factory::Form_Load() {
    if (g_factory_cal_valid == kTrue) {
        txt_mensaje->setText(QString::fromStdString(FactoryCalibratedText(g_factory_cal_month, g_factory_cal_year)));
    } else {
        txt_mensaje->setText("NON Calibrated");
        g_temp_offset = kDefaultTempOffset;
        g_temp_slope = kDefaultTempSlope;
    }
    txt_set_temp->setText(QString::fromStdString(FormatFixed(25, 1)));
    txt_current_temp->setText(QString::fromStdString(FormatFixed(0, 1)));
}

void Frm_Factory::Form_Activate() {
    Timer_temp->start();
    lblserial->setText(QString::fromStdString("SERIAL : QVRN" + FormatPadded(g_device_serial, 5)));
    lblserial->repaint();
}

void Frm_Factory::Timer_temp_Timer() {
    PortHold hold;
    txt_current_temp->setText(TemperatureText(QueryByte(kCmdTemperature, 0, 0)));
}

void Frm_Factory::Cmd_temp_Click() {
    PortHold hold;
    const int raw = QueryByte(kCmdTemperature, 0, 0);
    const platform::LocalTime today = platform::ToLocal(platform::Now());
    const FactorySetPlan plan =
        PlanFactorySet(raw, g_temp_slope, txt_set_temp->text().toStdString(), today.month, today.year % 100);
    if (!plan.refusal.empty()) {
        platform::MsgBox(plan.refusal);
        return;
    }
    g_factory_cal_month = static_cast<int16_t>(today.month);
    g_factory_cal_year = static_cast<int16_t>(today.year % 100);
    bool ok = true;
    for (size_t i = 0; i < plan.registers.size() && ok; ++i) {
        int16_t result = 0;
        WriteFactoryRegister(kFactoryWriteRegister + static_cast<int>(i), plan.registers[i], result);
        ok = result == 1;
    }
    if (ok) {
        g_temp_offset = plan.offset;
        txt_mensaje->setText(QString::fromStdString(FactoryCalibratedText(g_factory_cal_month, g_factory_cal_year)));
    } else {
        txt_mensaje->setText("NON Calibrated");
    }
}

void Frm_Factory::Form_Unload() {
    Timer_temp->stop();
    if (onUnload) onUnload();
}

void Frm_Factory::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Activate();
}

void Frm_Factory::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->ignore();
    hide();
}

}  // namespace vondrel
