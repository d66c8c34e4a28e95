// The fields of a counts.bin record read from the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "acquisition/RunDataFiles.h"

namespace vondrel::reports {


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
