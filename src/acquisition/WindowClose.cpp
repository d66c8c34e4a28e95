#include "acquisition/WindowClose.h"

#include <chrono>

#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/Conditioning.h"
#include "platform/Numbers.h"

namespace vondrel {

double SecondsPerSample(double window_days, int window_length) {
    if (window_length < 1) return 0;
    return RoundDecimals(window_days * 1440.0 * 60.0 / window_length, 3);
}

double ToDays(platform::TimePoint t) {
    return std::chrono::duration<double, std::ratio<86400>>(t.time_since_epoch()).count();
}

int TemperatureAddress(const AcquisitionState& st) { return st.SingleStation() ? 0 : 3; }

void ApplyTemperatureReading(AcquisitionState& st, int raw) {
    st.m_temperature_missing = raw < 0;
    g_temperature = st.m_temperature_missing ? 0.0 : TemperatureFromRaw(raw);
    st.m_temperature_text = st.m_temperature_missing ? "--" : FormatFixed(g_temperature, 1);
}

double TemperatureFromRaw(int raw) { return raw * g_temp_slope + g_temp_offset; }

int16_t TemperatureTenths(double temperature) { return RoundToLevel(temperature * 10.0); }

ClimateState DecideClimate(double temperature, double setpoint, int16_t temp_control, ClimateState current) {
    const double t = temperature, s = setpoint;
    if (t <= 10.0 || t >= 38.0 || temp_control != -1) return {0, 0};
    ClimateState next = current;
    if (t > s - 0.5 && t < s + 0.5) {
        next.actuator_on = 0;
    } else if (t >= s + 0.5) {
        next.heating = 0;
        next.actuator_on = t >= s + 0.6 ? int16_t{-1} : int16_t{0};
    } else {
        next.heating = -1;
        next.actuator_on = t <= s - 0.6 ? int16_t{-1} : int16_t{0};
    }
    return next;
}

int16_t LightByHour(int hour, int on_hour, int off_hour, int16_t light_schedule, int16_t light_on) {
    if (light_schedule != -1) return light_on;
    if (hour == on_hour) light_on = -1;
    if (hour == off_hour) light_on = 0;
    return light_on;
}

void DecideWindowClose(AcquisitionState& st, double now_days, int hour, int on_hour, int off_hour) {
    st.m_seconds_per_sample = SecondsPerSample(now_days - st.m_window_start, st.WindowLength());
    // Without a reading nothing tells how warm the plate is: the heater or
    // cooler is switched off as for a reading out of range, whatever the
    // set-point, until readings come back.
    const ClimateState climate =
        st.m_temperature_missing
            ? ClimateState{0, 0}
            : DecideClimate(g_temperature, g_temperature_setpoint, st.m_temp_control, {st.m_heating, st.m_temp_actuator_on});
    st.m_heating = climate.heating;
    st.m_temp_actuator_on = climate.actuator_on;
    st.m_light_on = LightByHour(hour, on_hour, off_hour, st.m_light_schedule, st.m_light_on);
}

void AdvanceBendsPlot(AcquisitionState& st) {
    st.m_bends_plot_offset = static_cast<int16_t>(st.m_bends_plot_offset + 64);
    if (st.m_bends_plot_offset >= st.m_bends_plot_limit) st.m_bends_plot_offset = 0;
}

}  // namespace vondrel
