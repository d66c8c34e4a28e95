// Counting a recording's raw sample files again.
//
// A recording made with raw recording on keeps every window's levels: record
// j of counts.bin has its block in block j mod 11 of "<j div 11>.bin" in the
// acquisition folder, each block (window length + 1) x 385 levels, channel
// fastest. The re-count reads each file once, whole, counts its blocks with
// the batch counter and writes the counts into the caller's table in record
// order. Files are spread over worker threads; each worker holds one file's
// blocks at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vondrel::reports {

inline constexpr int kRecountChannels = 384;  // channels counted per record

struct RawRecountJob {
    std::string folder;         // the acquisition folder holding 0.bin, 1.bin, ...
    int windowLength = 500;     // samples per window as recorded (RT_Buffer), 500..502
    int records = 0;            // records 0..records-1 are wanted
    std::span<const uint8_t> channels;   // 384 entries: 0 leaves a channel at count 0
    std::span<const uint8_t> recordsCounted;  // empty, or one per record: 0 gives the record zeros
    double threshold = 1.8;
    int16_t method = 1;
    int workers = 1;            // threads counting files (at least 1)
    // With an export folder every counted channel's event flags are appended
    // to "<exportFolder>/ch<N>.raw" with the record's tag, one line per
    // counted record in record order (the line CountEvents exports); the
    // workers count a few files at a time and the calling thread writes their
    // lines. A failed append throws EventFileError.
    std::string exportFolder;
    std::span<const int32_t> exportTags;  // one per record (the minute)
};

struct RawRecountResult {
    int analysed = 0;       // records 0..analysed-1 hold new counts
    bool stopped = false;   // the progress callback asked to stop
};

// The number of workers for this machine: one fewer than the cores, at least one.
int DefaultRecountWorkers();

// Bytes of one stored block; throws std::invalid_argument with "Raw data
// analysis needs windows of 500 to 502 samples" outside 500..502.
size_t RecountBlockBytes(int windowLength);

// Re-counts records 0..job.records-1 into counts[record * 384 + channel]
// (counts must hold job.records * 384 entries; entries of records not
// analysed are left as they were). The first record whose file is missing
// or too short for its block ends the records analysed. `progress` (may be
// empty) runs on the calling thread with the number of records finished in
// order, after each one or as they come in; returning false stops the
// workers within the record they count. Throws std::invalid_argument for a
// bad window length and rethrows a counting failure.
RawRecountResult RecountRawFiles(const RawRecountJob& job, std::span<int16_t> counts,
                                 const std::function<bool(int)>& progress = {});

}  // namespace vondrel::reports
