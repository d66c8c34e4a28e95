// Single-animal path tracking over a recording's raw beam samples: in every
// sample the channels of a well whose event detection marks an event at that
// sample place the animal at their mean grid cell; the distance between
// successive places adds up to a travel per well and per block (one block =
// one 500-sample window = one counts.bin record). Plain C++: the walk, its
// drawing as plot primitives and the travel-distance CSV. The browser window
// drives it from its button, its timer and the tracking popup.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browser/AcquisitionConfig.h"
#include "browser/PlotPlan.h"

namespace vondrel::browser {

inline constexpr int kTrackSamples = 500;        // samples 0..499 of a block are walked
inline constexpr double kCellMillimetres = 4.5;  // one grid cell

// The detection threshold of the walk from the threshold box: the number at
// the start of the text, "," read as "."; outside 1.1..6.0 it is 1.8 and the
// box is to show "1.8" (`reset`).
struct TrackThreshold {
    double value = 1.8;
    bool reset = false;
};
TrackThreshold ReadTrackThreshold(const std::string& text);

// Whole millimetres of a travel in cells, halves up (2.3 cells: 10).
int64_t TravelMillimetres(double cells);

// The walk over one open recording.
class TrackWalk {
public:
    // Prepares the walk: the minutes of every whole record of counts.bin,
    // zero travel, the event marks of block 0. False (nothing loaded) when
    // counts.bin cannot be read. The raw blocks are read from `folder` with
    // windows of `windowLength` samples (the recording's buffer length).
    bool Load(const AcquisitionConfig& config, const std::string& folder, int windowLength);
    bool loaded() const { return loaded_; }
    // The walk rewinds to block 0, sample 0 with every well's places unset
    // (its tables stay as they are until the next Load).
    void Rewind();

    // N, the whole records of counts.bin, and the step the animation ends on.
    int records() const { return records_; }
    int64_t LastStep() const { return int64_t{kTrackSamples} * (records_ - 1); }

    // Leaves the event marks of channel c in block `block` in
    // g_sample_event_mark: the block is read from raw file block / 11 at place
    // block mod 11, once per block change; a block that is not stored leaves
    // no marks. A failing detection leaves the window without marks.
    void AnalyseTrackBlock(int channel, int block);

    // One step of the walk. With `drawn`, the step's drawing is appended to
    // it (each moving well's markers, path and distance label).
    void LocateAnimals(std::vector<PlotPrimitive>* drawn);
    // "<500 x block + sample>/<500 x (N - 1)>".
    std::string StepText() const;

    // The travel of well w in block b, in cells.
    double Travel(int block, int well) const;
    double Total(int well) const { return total_[static_cast<size_t>(well)]; }
    const std::vector<double>& minutes() const { return minutes_; }
    int block() const { return block_; }
    int sample() const { return sample_; }

    double threshold = 1.8;  // set from the threshold box before a step

private:
    // Wells walked: those of the plate the walk was loaded with that the
    // configuration (shared with the window) still holds.
    int Wells() const;
    void AnalyseBlockMarks(int block);
    bool ReadBlock(int block);
    void DrawStep(int well, double x, double y, std::vector<PlotPrimitive>& out) const;
    void DrawLabel(int well, std::vector<PlotPrimitive>& out) const;

    const AcquisitionConfig* config_ = nullptr;
    std::string folder_;
    int windowLength_ = 0;
    bool loaded_ = false;
    int records_ = 0, wells_ = 0;
    int block_ = 0, sample_ = 0;
    std::vector<double> minutes_;
    std::vector<double> travel_;  // (records + 2) x wells
    std::vector<double> total_, blockStart_;
    std::vector<std::array<double, 5>> xs_, ys_;
    std::vector<int16_t> marks_;  // 384 x 501
    std::array<int16_t, 385> active_{};
    int readBlock_ = -1;          // the block held in blockLevels_
    bool blockStored_ = false;
    std::vector<int16_t> blockLevels_;
};

// The empty grid: well outlines, beam cells, group labels, column numbers
// and row letters.
PlotPlan TrackGridPlan(const AcquisitionConfig& config);

// The row name of a well in the travel report: "NNN_" and the name of the
// group of the well's first beam's channel, "Free" when it has none.
std::string TravelRowName(const AcquisitionConfig& config, int well);

// The travel-distance CSV of blocks 0..lastBlock: separator `sep`, minutes
// "0.0" with `decimalSign`, whole millimetres, CR LF line ends.
std::string TravelDistanceReport(const TrackWalk& walk, const AcquisitionConfig& config, int lastBlock,
                                 const std::string& sep, const std::string& decimalSign, const std::string& date,
                                 const std::string& folder);

// The base name for a new report in `folder`: "travel_report" when that file
// can be written (it is emptied), else "travel_report_1", "_2", ... as the
// first that can; nothing after 32767 tries, or at once when a name that
// does not exist cannot be created.
std::optional<std::string> FindTrackReportName(const std::string& folder, const std::string& extension);

// Writes the travel report of blocks 0..lastBlock into the recording's
// folder and opens it. "Error writing " & the path when it cannot be
// written. Returns the written file's path, "" when none.
std::string ExportTravelDistance(const TrackWalk& walk, const AcquisitionConfig& config, const std::string& folder,
                                 int lastBlock);

}  // namespace vondrel::browser
