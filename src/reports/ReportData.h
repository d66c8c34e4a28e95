// The computed report of one acquisition folder, the control values that
// steer it, and the steps that fill it: plain C++, no window. The report
// window owns one ReportData and hands its controls in as a ReportControls.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vondrel::reports {

constexpr int kChannels = 384;      // channels 0..383
constexpr int kRecordWidth = 385;   // channels and the temperature in element 384
constexpr int kHistClasses = 51;    // classes 0..50 per channel in histo*.bin

// A failure already told to the user: the pipeline stops and writes nothing.
struct ReportStopped : std::runtime_error {
    ReportStopped() : std::runtime_error("report stopped") {}
};
// Any other failure of the pipeline; shown as "Report Error".
struct ReportFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A file of the acquisition that is not there; shown as "Report Error" and a
// line naming the file.
struct ReportFileMissing : ReportFailure {
    explicit ReportFileMissing(const std::string& path) : ReportFailure("File not found: " + path) {}
};
// The message of a failure of the pipeline: "Report Error", and the missing
// file's line when a file was missing.
inline std::string ReportErrorMessage(const std::exception& e) {
    if (dynamic_cast<const ReportFileMissing*>(&e)) return std::string("Report Error\r\n") + e.what();
    return "Report Error";
}

// Records of one counts.bin (minutes, counts [record][385], temperature),
// replaced by one entry per bin after resampling.
struct ActivityRecords {
    std::vector<int32_t> minutes;
    std::vector<int16_t> counts;   // (record) * 385 + channel
    std::vector<int16_t> temperature;
    void Resize(size_t records) {
        minutes.assign(records, 0);
        counts.assign(records * kRecordWidth, 0);
        temperature.assign(records, 0);
    }
    int16_t& Count(size_t record, int channel) { return counts[record * kRecordWidth + channel]; }
    int16_t Count(size_t record, int channel) const { return counts[record * kRecordWidth + channel]; }
};

// A table indexed [bin][i] with a fixed row width.
template <typename T>
struct BinTable {
    std::vector<T> v;
    size_t width = 0;
    void Assign(size_t bins, size_t w) { width = w; v.assign(bins * w, T{}); }
    T& At(size_t bin, size_t i) { return v[bin * width + i]; }
    T At(size_t bin, size_t i) const { return v[bin * width + i]; }
    size_t Bins() const { return width ? v.size() / width : 0; }
};

struct ReportData {
    // Plate configuration of the acquisition.
    std::vector<int16_t> m_report_channel_group = std::vector<int16_t>(385, -1);
    std::vector<std::string> m_report_group_names;
    std::vector<int16_t> m_report_channel_beam = std::vector<int16_t>(385, 0);
    std::vector<int16_t> m_report_channel_well = std::vector<int16_t>(385, -1);
    int16_t m_report_max_well = 0;
    int16_t m_report_max_beam = 0;
    int16_t m_report_plate_rows = 0, m_report_plate_cols = 0;
    int16_t m_report_row_pitch = 0, m_report_col_pitch = 0;
    double m_report_row_offset = 0, m_report_col_offset = 0;
    // [well + 1][beam]: the table starts at well -1.
    BinTable<int16_t> m_report_well_beam_channel;
    int16_t WellBeamChannel(int well, int beam) const {
        if (well < -1 || well > m_report_max_well || beam < 0 || beam > m_report_max_beam) return -1;
        const auto row = static_cast<size_t>(well + 1), col = static_cast<size_t>(beam);
        if (row >= m_report_well_beam_channel.Bins() || col >= m_report_well_beam_channel.width) return -1;
        return m_report_well_beam_channel.At(row, col);
    }

    // Activity of the acquisition and of the basal acquisition.
    ActivityRecords m_record;   // m_record_minutes / _counts / _temperature
    ActivityRecords m_basal;    // m_basal_minutes / _counts / _temperature

    // Statistics per bin (bins 0..nb+1, used at 1..nb).
    BinTable<int32_t> m_channel_bin_sum, m_well_bin_value, m_group_bin_mean, m_group_bin_sd;
    std::vector<int32_t> m_group_well_count;
    std::vector<int32_t> m_bin_temperature, m_bin_sample_count;
    std::vector<bool> m_bin_has_data;
    // Histograms [bin][channel / well / group * 51 + class].
    BinTable<int32_t> m_channel_bin_histogram, m_well_bin_histogram, m_group_bin_histogram;
    double m_hist_seconds_per_sample = 0;

    std::string m_setting_text;
    bool m_setting_preset = false;

    // Everything but the setting text and its preset flag back to a fresh start.
    void ClearComputed() {
        ReportData fresh;
        fresh.m_setting_text = std::move(m_setting_text);
        fresh.m_setting_preset = m_setting_preset;
        *this = std::move(fresh);
    }
};

enum class ReportLayout { Rows = 0, List = 1, WellArray = 2, ChannelArray = 3, Histogram = 4 };
enum class ReportFileType { Csv = 0, Text = 1, Excel = 2 };

// The values of the report window's controls one Generate reads.
struct ReportControls {
    std::string inputFolder;             // Txt_inputfile
    std::string binText = "30";          // Cmb_binsize (rewritten when the bin is fitted)
    std::string basal = "-";             // cmbbasal
    ReportLayout layout = ReportLayout::Rows;      // Option_output
    ReportFileType fileType = ReportFileType::Csv; // Option_report
    std::string spacer = ",";            // txt_customspacer
    bool standardError = true;           // Chk_statistic(2)
    bool standardDeviation = false;      // Chk_statistic(3)
    bool wellsPerGroup = true;           // Chk_statistic(4)
    bool autoReport = false;             // chk_autoreport
};

}  // namespace vondrel::reports
