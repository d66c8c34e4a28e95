// A non-owning view of one station's window of beam levels as the run and the
// raw files keep it: for every sample the levels of all channel slots in a
// row (channel varying fastest), so level (channel, sample) sits at
// sample * channels + channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <type_traits>

namespace vondrel {

// Raised by the detection code. The run's tick lets it end the tick; the
// browser and the report catch it and treat the window as not analysed.
struct DetectionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The window does not hold samples 0..499 of the channel, the channel is not
// in the window, a result table is too short, or the threshold is not a
// finite number. Raised before anything is changed.
struct DetectionRangeError : DetectionError {
    using DetectionError::DetectionError;
};

// The channel's event flag file could not be appended to. Raised after the
// counting, when the result arrays already hold the window's results.
struct EventFileError : DetectionError {
    using DetectionError::DetectionError;
};

template <class Level>
struct BasicSampleWindow {
    std::span<Level> levels;  // sample-major, channel varying fastest
    int channels = 0;         // channel slots per sample (385 for a station window)

    BasicSampleWindow() = default;
    BasicSampleWindow(std::span<Level> l, int c) : levels(l), channels(c) {}
    // A writable window can be read through a read-only view.
    template <class Other>
        requires(std::is_const_v<Level> && std::is_same_v<std::remove_const_t<Level>, Other>)
    BasicSampleWindow(const BasicSampleWindow<Other>& other) : levels(other.levels), channels(other.channels) {}

    // Whole samples held (0 when the view has no channel slots).
    int Samples() const { return channels > 0 ? static_cast<int>(levels.size() / static_cast<size_t>(channels)) : 0; }
    Level& At(int channel, int sample) const {
        return levels[static_cast<size_t>(sample) * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
    }
};

using SampleWindow = BasicSampleWindow<int16_t>;
using ConstSampleWindow = BasicSampleWindow<const int16_t>;

}  // namespace vondrel
