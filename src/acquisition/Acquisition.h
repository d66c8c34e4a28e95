// The window-free core of the acquisition tick. The tick (in the main
// window) owns one AcquisitionState and calls, on every running tick:
//
//   store the new samples at m_sample_index        (reading / polling)
//   ConditionNewSample(st)                         conditioning of the new sample
//   draw the trace step                            (display)
//   if (AdvanceSample(st)) {                       the window is full
//       ApplyTemperatureReading(st, QueryByte(0x21, 0, TemperatureAddress(st)))
//       DecideWindowClose(st, ToDays(now), hour, on_hour, off_hour)
//       send the actuator state                    (instrument)
//       ThresholdAndCountWindow(st, g_body_bends_mode)
//       if (g_body_bends_mode == 1) AdvanceBendsPlot(st)
//       refresh the activity panel                 (display)
//       if (g_recording == -1) show RecordWindow(st, g_body_bends_mode).messages
//       st.m_window_start = ToDays(now)
//   }
//   run clock, end-of-run test on a closing tick, progress, pulses, counters
//
// Play calls st.ResetForPlay() (after st.SetTickedStations) before the first
// tick.
#pragma once

#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/Conditioning.h"
#include "acquisition/RunDataFiles.h"
#include "acquisition/WindowClose.h"
#include "acquisition/WindowCounting.h"
