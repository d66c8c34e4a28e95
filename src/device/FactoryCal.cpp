#include "device/FactoryCal.h"

#include <cmath>

#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "platform/Events.h"
#include "platform/Numbers.h"
#include "store/Globals.h"

namespace vondrel {

SensorCalibration CheckFactoryRecord(const std::array<int, kFactoryRecordBytes>& b) {
    SensorCalibration cal;
    bool valid = true;
    double offset = kDefaultTempOffset, slope = kDefaultTempSlope;
    if (b[0] != 0) valid = false;
    if (b[1] >= 1 && b[1] <= 12) cal.month = static_cast<int16_t>(b[1]);
    else valid = false;
    if (b[2] >= 0 && b[2] <= 99) cal.year = static_cast<int16_t>(b[2]);
    else valid = false;
    if (b[3] == 0 || b[3] == 1) cal.sign = static_cast<int16_t>(b[3]);
    else valid = false;
    if (b[4] >= 0) {
        offset = b[4] / 10.0;
        if (cal.sign.value_or(0) != 0) offset = -offset;
    } else {
        valid = false;
    }
    if (b[5] >= 1 && b[6] >= 0) slope = (b[6] * 256 + b[5]) / 1000.0;
    else valid = false;
    if (offset < -kFactoryOffsetLimit || offset > kFactoryOffsetLimit) {
        offset = kDefaultTempOffset;
        valid = false;
    }
    if (slope < 0.1 || slope > 0.45) {
        slope = kDefaultTempSlope;
        valid = false;
    }
    cal.valid = valid;
    cal.slope = valid ? slope : kDefaultTempSlope;
    cal.offset = valid ? offset : kDefaultTempOffset;
    return cal;
}

void ApplySensorCalibration(const SensorCalibration& cal) {
    if (cal.month) g_factory_cal_month = *cal.month;
    if (cal.year) g_factory_cal_year = *cal.year;
    if (cal.sign) g_factory_cal_sign = *cal.sign;
    g_temp_slope = cal.slope;
    g_temp_offset = cal.offset;
    g_factory_cal_valid = cal.valid ? kTrue : int16_t{0};
}

void ReadSensorCalibration() {
    SensorCalibration cal;  // any failure leaves the defaults
    try {
        for (int i = 0; i < 10; ++i) platform::PumpEvents();
        CommFlush(g_com_port);
        for (int i = 0; i < 10; ++i) platform::PumpEvents();
        std::array<int, kFactoryRecordBytes> bytes{};
        for (int i = 0; i < kFactoryRecordBytes; ++i) {
            int value = -1;
            for (int attempt = 0; attempt < 3; ++attempt) {
                const int a = QueryByte(kCmdReadRegister, kFactoryReadRegister + i, kFactoryPage);
                platform::SleepMs(kFactoryRecordPauseMs);
                const int b = QueryByte(kCmdReadRegister, kFactoryReadRegister + i, kFactoryPage);
                platform::SleepMs(kFactoryRecordPauseMs);
                if (a == -1) {
                    QueryByte(kCmdIdentify, 0, kFactoryPage);  // resynchronise; the reply does not matter
                    platform::SleepMs(kFactoryRecordPauseMs);
                    continue;
                }
                if (a == b) {
                    value = a;
                    break;
                }
            }
            bytes[static_cast<size_t>(i)] = value;
            platform::PumpEvents();
        }
        cal = CheckFactoryRecord(bytes);
    } catch (const std::exception&) {
        cal = SensorCalibration{};
    }
    ApplySensorCalibration(cal);
}

std::string FactoryCalibratedText(int month, int year) {
    return "OK Last Factory Calibration " + FormatPadded(month, 2) + "/" + FormatPadded(year, 2) + " [mm/yy]";
}

FactorySetPlan PlanFactorySet(int raw, double slope, const std::string& referenceText, int month, int year) {
    FactorySetPlan plan;
    std::string text = referenceText;
    for (char& c : text)
        if (c == ',') c = '.';
    const double reference = Val(text);
    if (!(reference >= 4 && reference <= 50)) {
        plan.refusal = "invalid Calibration Parameter: value must be between 4°C and 50°C";
        return plan;
    }
    // A failed temperature query would enter the line as raw -1.
    if (raw < 0) {
        plan.refusal = "COM Error";
        return plan;
    }
    plan.offset = reference - raw * slope;
    // The connection discards a record whose offset lies beyond +-10, and
    // beyond +-25.5 its register cannot even be written.
    if (std::fabs(plan.offset) > kFactoryOffsetLimit) {
        plan.refusal = "invalid Calibration Parameter: offset must be between -10°C and 10°C";
        return plan;
    }
    const int high = static_cast<int>(IntFloor(slope * 1000.0 / 256.0));
    plan.registers = {0,
                      month,
                      year,
                      plan.offset < 0 ? 1 : 0,
                      static_cast<int>(RoundHalfEven(std::fabs(plan.offset * 10.0))),
                      static_cast<int>(RoundHalfEven(slope * 1000.0 - high * 256)),
                      high};
    return plan;
}

}  // namespace vondrel
