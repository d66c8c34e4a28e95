// Program-wide values of a run that the project store does not hold: the
// temperature reading and the set-point of the climate control.
#pragma once

// The sensor line g_temp_slope / g_temp_offset is the device's.
#include "device/FactoryCal.h"

namespace vondrel {

// Last temperature reading in degrees Celsius.
inline double g_temperature = 0.0;
// Set-point of the climate control in degrees Celsius.
inline double g_temperature_setpoint = 25.0;

}  // namespace vondrel
