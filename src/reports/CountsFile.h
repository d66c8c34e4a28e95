// A recording's binary file read whole in one go (counts.bin, setup.dat):
// its size first, then one read into a buffer of that size; and the fields
// of a counts.bin record read from such a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace vondrel::reports {

// The file's bytes; nullopt when it is missing, not a regular file or
// cannot be read. Never creates the file.
std::optional<std::string> ReadWholeBinary(const std::string& path);

// A counts.bin record: the minute (4 bytes), then 385 two-byte values
// (384 channels and the temperature).
inline constexpr size_t kCountsRecordBytes = 774;

// The minute of record `j` of `counts`.
inline int32_t CountsRecordMinute(const std::string& counts, size_t j) {
    int32_t m = 0;
    std::memcpy(&m, counts.data() + j * kCountsRecordBytes, sizeof m);
    return m;
}

// Value `element` (a channel, or 384 for the temperature) of record `j`.
inline int16_t CountsRecordValue(const std::string& counts, size_t j, int element) {
    int16_t v = 0;
    std::memcpy(&v, counts.data() + j * kCountsRecordBytes + 4 + static_cast<size_t>(element) * 2, sizeof v);
    return v;
}

}  // namespace vondrel::reports
