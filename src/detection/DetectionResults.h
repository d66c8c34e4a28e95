// Program-wide results of the last CountEvents call, read by the browser's
// raw-signal view and plots. Entries 0..499 belong to the samples of the
// analysed window; entry 500 is a spare that is never written.
#pragma once

#include <array>
#include <cstdint>

namespace vondrel {

inline constexpr int kDetectionSlots = 501;

// The processed detection line of the last analysed window.
inline std::array<int16_t, kDetectionSlots> g_processed_sample{};

// -1 at each sample where an event was counted. The counter only sets
// entries; a caller that wants the marks of one window clears 0..499 first.
inline std::array<int16_t, kDetectionSlots> g_sample_event_mark{};

}  // namespace vondrel
