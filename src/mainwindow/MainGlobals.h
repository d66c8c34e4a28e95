// Program-wide values of the start-up and the live display that the store
// does not hold.
#pragma once

#include <cstdint>

namespace vondrel {

// Stage of the start-up sequence, named in its error message: 0, 1, 2, 3,
// 4, 5, 7, 8, 9 (there is no stage 6).
inline int16_t g_init_stage = 0;
// -1 while a named run writes its files.
inline int16_t g_recording = 0;
// 1 in body-bends mode.
inline int16_t g_body_bends_mode = 0;
// The channel drawn by the live trace, 0..383.
inline int16_t g_selected_channel = 0;

}  // namespace vondrel
