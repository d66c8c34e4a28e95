// The instrument's temperature-sensor calibration: the seven-byte factory
// record kept in the instrument, its check at connect time, and the register
// values a "SET" writes.
//
// The instrument reports its temperature as one raw byte; degrees =
// raw x g_temp_slope + g_temp_offset. The record holds (register 200 + i to
// write on page 0x80, 128 + i to read on page 3):
//   0 marker (0 = calibrated), 1 month 1..12, 2 two-digit year 0..99,
//   3 sign of the offset (1 = negative), 4 |offset| x 10,
//   5 / 6 slope x 1000, low / high byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vondrel {

// Sensor line: degrees = raw byte x slope + offset.
inline constexpr double kDefaultTempSlope = 0.219;
inline constexpr double kDefaultTempOffset = 0.0;
inline double g_temp_slope = kDefaultTempSlope;
inline double g_temp_offset = kDefaultTempOffset;

// The record read at the last connection: -1 when it was valid.
inline int16_t g_factory_cal_valid = 0;
inline int16_t g_factory_cal_month = 0;
inline int16_t g_factory_cal_year = 0;
inline int16_t g_factory_cal_sign = 0;

inline constexpr int kFactoryRecordBytes = 8;   // seven used, the eighth read and ignored
inline constexpr int kFactoryReadRegister = 128;
inline constexpr int kFactoryWriteRegister = 200;
inline constexpr int kFactoryRecordPauseMs = 200;
// The largest offset the connection accepts, in degrees either way.
inline constexpr double kFactoryOffsetLimit = 10.0;

// The outcome of checking a record read from the instrument. month, year and
// sign are set for each byte that passes its own check, even when another
// byte makes the record invalid.
struct SensorCalibration {
    bool valid = false;
    double slope = kDefaultTempSlope;
    double offset = kDefaultTempOffset;
    std::optional<int16_t> month, year, sign;
};

// Checks the record bytes (-1 = a byte that could not be read). An invalid
// record, an offset outside -10..10 or a slope outside 0.1..0.45 gives the
// default line.
SensorCalibration CheckFactoryRecord(const std::array<int, kFactoryRecordBytes>& bytes);

// Sets g_temp_slope, g_temp_offset and the g_factory_cal_* values from a check.
void ApplySensorCalibration(const SensorCalibration& cal);

// Reads the record from the instrument on g_com_port (each byte read twice
// until two reads agree, three attempts), checks it and applies it. Pumps
// events between bytes.
void ReadSensorCalibration();

// "OK Last Factory Calibration 03/24 [mm/yy]".
std::string FactoryCalibratedText(int month, int year);

// What "SET" writes: registers 200..206 in order.
struct FactorySetPlan {
    std::string refusal;             // a message and nothing written, when not empty
    double offset = 0.0;             // the new offset
    std::array<int, 7> registers{};  // values of 200..206
};

// The plan for a SET with the raw temperature byte (-1 when the query
// failed), the present slope, the typed reference text ("," or "." as the
// decimal sign) and today's month and two-digit year. Refuses a reference
// outside 4..50, a failed temperature reading and an offset beyond +-10.
FactorySetPlan PlanFactorySet(int raw, double slope, const std::string& referenceText, int month, int year);

}  // namespace vondrel
