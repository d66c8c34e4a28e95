// The run's data files, written at every window close of a named run:
//  - counts.bin per ticked station: one CountsRecord (774 bytes) per window:
//    elapsed whole minutes (int32), then the 385 entries of the station's
//    window count table (int16), entry 384 holding the temperature in tenths;
//  - numbered raw sample files "<n>.bin" per ticked station when raw
//    recording is on: one RawSampleBlock per window, the whole sample window
//    ((N + 1) x 385 int16 levels, channel fastest);
//  - numbered histogram files "histo<nnnn>.bin" in body-bends mode: one
//    HistogramRecord (78,556 bytes) per window: elapsed minutes and seconds
//    per sample (float64), then 51 x 385 int32 class totals, channel fastest.
// Everything is little-endian with no header. Raw and histogram files share
// one number, which advances after eleven windows whether or not raw blocks
// are written.
//
// Every record has its own place: a window's record is written at its index
// in the file times the record size. A record that could not be written
// waits in memory and goes to its place before any later record of its file;
// only a raw block dropped beyond the waiting limit leaves a gap of zeros, and
// every later block stays where readers look for it. A file cut short in the middle of a record (the program killed while it
// wrote) holds its whole records and a trailing fragment; readers take the
// whole records, and the next record written to that file goes over the
// fragment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "acquisition/AcquisitionState.h"

namespace vondrel {

inline constexpr size_t kCountsRecordBytes = 774;
inline constexpr size_t kHistogramRecordBytes = 16 + 4 * kChannelSlots * kHistogramSlots;  // 78,556
inline constexpr int16_t kWindowsPerNumberedFile = 11;

// Bytes of one raw sample block for a window of `window_length` samples.
size_t RawBlockBytes(int window_length);

// The folder of station `station_number` (1..4) of the run `stamp` below the
// project folder: <project>/<stamp>_s<n>.
std::string AcquisitionFolder(const std::string& project_folder, const std::string& stamp, int station_number);
std::string RawFileName(int file_number);        // "0.bin", "12.bin"
std::string HistogramFileName(int file_number);  // "histo0000.bin", "histo10000.bin"
// Whether `folder` holds a file named "histo*.bin" (a body-bends recording).
bool HasHistogramFiles(const std::string& folder);

// The first file number whose raw and histogram files exist in none of the
// given folders. A run appended to folders that already hold numbered files
// starts after them, so no numbered file ever holds more than eleven windows.
int16_t FirstFreeFileNumber(const std::vector<std::string>& folders);

// Holes in counts.bin. A counts record of a file written by an older program,
// or put back as zeros by a re-analysis, can be 774 zero bytes where a window
// was not written. Every reader of counts.bin goes through this rule: an
// all-zero record that follows a record with a larger minute is a hole, not
// data (it would otherwise read as minute 0 and as the start of a new day). A
// hole at record 0 cannot be told from a first record without counts and is
// read as data. Feed the records in file order.
class CountsHoleRule {
public:
    // Whether `record` (kCountsRecordBytes bytes) is a hole; a record that is
    // not becomes the one the next record follows.
    bool IsHole(const void* record) {
        const auto* p = static_cast<const unsigned char*>(record);
        bool zero = true;
        for (size_t i = 0; i < kCountsRecordBytes && zero; ++i) zero = p[i] == 0;
        if (zero && previous_minute_ > 0) return true;
        previous_minute_ = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
        return false;
    }

private:
    int32_t previous_minute_ = 0;  // of the last record taken as data
};

std::vector<std::byte> BuildCountsRecord(int32_t elapsed_minutes, const ChannelTable16& counts);
std::vector<std::byte> BuildHistogramRecord(double elapsed_minutes, double seconds_per_sample,
                                            std::span<const int32_t> histogram);

// Whole records of `record_bytes` in `path`: 0 when it is missing or not a
// regular file; a trailing fragment does not count.
int64_t WholeRecords(const std::string& path, size_t record_bytes);

// Writes one whole record as record `index` of `path` (created when
// missing), at byte index x record size, then flushes it to disk and closes
// the file. Bytes before it are kept as they are; a gap before it reads as
// zeros. The record goes out in one write; when the write falls short, the
// file is cut back to where it ended before (to this record's place when a
// fragment stood there), so a failure never leaves part of its record
// behind. Returns "" on success, otherwise the reason.
//
// With SyncTiming::kBackground the flush to disk is left to RunFileFlusher()
// (the record is written and its file closed all the same).
enum class SyncTiming { kNow, kBackground };
std::string WriteRecordAt(const std::string& path, std::span<const std::byte> record, int64_t index,
                          SyncTiming sync = SyncTiming::kNow);

// Writes one whole record after the whole records `path` holds (over a
// trailing fragment, if any).
std::string AppendRecord(const std::string& path, std::span<const std::byte> record);

// Raw blocks waiting for the disk to come back are kept up to this many
// bytes per run; counts and histogram records always wait.
inline constexpr size_t kPendingRawBytesLimit = size_t{64} << 20;

struct RecordingResult {
    int written = 0;                    // records written at this close (waiting ones included)
    int failed = 0;                     // writes that failed at this close (retries included)
    std::vector<std::string> messages;  // failures not reported before in this run
};

// The recording step of a window close; the caller runs it only for a named
// run (g_recording -1). In order: raw blocks (g_save_real == 1), counts
// records (entry 384 of each written count table := TemperatureTenths of
// g_temperature), the histogram record (body_bends_mode == 1; then
// m_seconds_per_sample_total and m_histogram_record_count advance), and the
// file numbering.
//
// Multi-station operation writes every ticked station's window and counts to
// that station's folder; the histogram goes to station 1's folder. In
// single-station operation everything comes from station 1's tables and goes
// to the ticked station's own folder.
//
// Placement: a raw block or histogram record goes to its window's place in
// the numbered file (0..10), a counts record to the run's window index; both
// after the whole records the file held when the run first wrote to it (a
// run appended to a same-minute run follows that run's records).
//
// A failing write does not stop the others, the numbering or the run: the
// record waits in st.m_pending_writes and is written at its place at the next
// close (before that close's own records) or at the end of the run; until
// then no later record goes to its file, so counts.bin never has a hole while
// the disk comes back. Raw blocks wait up to kPendingRawBytesLimit; a block
// beyond it is dropped and counted in m_unwritten. The failure's message is
// returned the first time that file fails in the run (the state remembers it
// until ResetForPlay).
//
// The records are written and closed on the caller's thread; RunFileFlusher()
// syncs them to disk within about a second. A file whose sync failed since
// the last close is reported here like a failed write (once per file in the
// run) and counted in m_unwritten.unsynced.
RecordingResult RecordWindow(AcquisitionState& st, int16_t body_bends_mode);

// The end of a run (Stop, the lapse, a restart): writes the records still
// waiting (those that fail again are counted in m_unwritten and dropped),
// syncs every file written so far and returns the messages of failures not
// reported before in the run.
std::vector<std::string> SyncRunFiles(AcquisitionState& st);

// The message at the end of a run: "Acquisition finished", followed, when
// some of the run's records could not be written, by a line that says how
// many of each kind.
std::string RunFinishedMessage(const AcquisitionState& st);

}  // namespace vondrel
