// The motility-index count (method 2) of one channel's levels 0..499 after
// clipping, as the single-channel counter takes it (the batch counter repeats
// it step for step, many channels at once).
#pragma once

#include <array>
#include <cstdint>

#include "detection/EventCounter.h"

namespace vondrel {

// Counts the motility events of `levels` with the least jump `jump`. When
// given, `flags` receives '1' at each event and `processed` the processed
// line at samples 1..499; other entries are left alone.
int16_t CountMotility(const std::array<int32_t, kWindowSamples>& levels, int32_t jump, char* flags,
                      int16_t* processed);

}  // namespace vondrel
