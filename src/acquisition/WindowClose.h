// The decisions of a window close that do not need the instrument: the
// sample period, the temperature conversion, the climate control around the
// set-point and the light by the hour. Each returns what the tick should set
// or send; none talks to the instrument.
#pragma once

#include <cstdint>

#include "acquisition/AcquisitionState.h"
#include "platform/Clock.h"

namespace vondrel {

// Seconds per sample of a window of `window_length` samples that took
// `window_days` (a date-time difference in days), rounded to 3 decimals.
double SecondsPerSample(double window_days, int window_length);

// Degrees Celsius of a raw temperature byte with the sensor line
// g_temp_slope, g_temp_offset.
double TemperatureFromRaw(int raw);

// A point in time as the run's date-times count it: days (with fractions)
// since the clock's epoch. Differences of two such values are day counts.
double ToDays(platform::TimePoint t);

// Station address of the temperature query: 0 in single-station operation,
// 3 otherwise.
int TemperatureAddress(const AcquisitionState& st);

// Takes a raw temperature byte: g_temperature and m_temperature_text
// (format "0.0"). A query without a reply (raw below 0) is no reading:
// g_temperature 0 (the records' and reports' "no reading"), the text "--",
// and m_temperature_missing set until a reading comes back.
void ApplyTemperatureReading(AcquisitionState& st, int raw);

// Temperature in tenths of a degree as the counts record stores it:
// x 10, rounded half to even (23.25 -> 232, 23.75 -> 238), held within the
// 16-bit range.
int16_t TemperatureTenths(double temperature);

// Heating direction (-1 heat, 0 cool) and temperature actuator (-1 on, 0 off).
struct ClimateState {
    int16_t heating = 0;
    int16_t actuator_on = 0;
    bool operator==(const ClimateState&) const = default;
};

// Climate control for a reading `temperature` and a set-point: off (and
// direction cool) when the control is not enabled (-1) or the reading is at
// or outside 10..38 degrees; the direction follows the side on which the
// reading is 0.5 degrees or more away and the actuator runs only when it is
// 0.6 degrees or more away; within 0.5 degrees the actuator is off and the
// direction is kept from `current`.
ClimateState DecideClimate(double temperature, double setpoint, int16_t temp_control, ClimateState current);

// Light by the clock: with the schedule on (-1), the light goes on during the
// on-hour and off during the off-hour (off wins when both are the same);
// in every other hour, or with the schedule off, it keeps `light_on`.
int16_t LightByHour(int hour, int on_hour, int off_hour, int16_t light_schedule, int16_t light_on);

// Steps 1, 3 and 4 of a window close on the state: the seconds per sample
// from m_window_start to `now_days`, the climate decision for g_temperature
// and g_temperature_setpoint (none while the temperature is missing: the
// actuators keep their state), and the light for `hour`. The temperature
// reading itself (and m_temperature_text) is the caller's, as is sending the
// actuator state afterwards.
void DecideWindowClose(AcquisitionState& st, double now_days, int hour, int on_hour, int off_hour);

// Body-bends display position: +64 per window, back to 0 at the limit.
void AdvanceBendsPlot(AcquisitionState& st);

}  // namespace vondrel
