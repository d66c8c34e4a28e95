// Program-wide values of a run that the project store does not hold: the
// temperature reading, the set-point of the climate control and the
// instrument's temperature-sensor line.
#pragma once

namespace vondrel {

// Last temperature reading in degrees Celsius.
inline double g_temperature = 0.0;
// Set-point of the climate control in degrees Celsius.
inline double g_temperature_setpoint = 25.0;
// Sensor line: degrees = raw byte x slope + offset (defaults 0.219 and 0).
inline double g_temp_slope = 0.219;
inline double g_temp_offset = 0.0;

}  // namespace vondrel
