// The plate of an acquisition as it was recorded, and its setting text.
#include <algorithm>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "reports/ReportSteps.h"
#include "store/PlateMap.h"
#include "store/SettingsText.h"

namespace vondrel::reports {
namespace {

constexpr int kMaxRecords = 385;

SettingsReader OpenOrFail(const std::string& path) {
    if (!platform::FileExists(path)) throw ReportFileMissing(path);
    auto r = SettingsReader::Open(path);
    if (!r) throw ReportFailure("cannot read " + path);
    return std::move(*r);
}

}  // namespace

void LoadPlateConfiguration(const std::string& folder, ReportData& data) {
    const std::string setupPath = platform::JoinPath(folder, "setup.dat");
    if (!platform::FileExists(setupPath)) throw ReportFileMissing(setupPath);
    try {
        SettingsReader setup = OpenOrFail(setupPath);
        setup.ReadLine();
        setup.ReadText();
        setup.ReadText();
        setup.ReadText();
        const std::string plate = setup.ReadText();

        SettingsReader groups = OpenOrFail(platform::JoinPath(folder, "groups.dat"));
        groups.ReadText();
        data.m_report_group_names.clear();
        while (!groups.AtEnd() && static_cast<int>(data.m_report_group_names.size()) < kMaxRecords) {
            groups.ReadText();
            data.m_report_group_names.push_back(groups.ReadText());
        }

        SettingsReader chgroup = OpenOrFail(platform::JoinPath(folder, "chgroup.dat"));
        chgroup.ReadText();
        data.m_report_channel_group.assign(385, -1);
        for (int r = 0; r < kMaxRecords && !chgroup.AtEnd(); ++r) {
            chgroup.ReadText();
            const int16_t g = chgroup.ReadInt16();
            // 999 and anything beyond the group table are free channels.
            data.m_report_channel_group[r] = (g < 0 || g > 384) ? int16_t{-1} : g;
        }

        data.m_report_row_offset = 0;
        data.m_report_col_offset = 0;
        // A code that names another folder ("../x") has no map.
        const std::string layoutPath = FindPlateMapFile(platform::ProgramFolder(), plate, true);
        if (layoutPath.empty()) {
            platform::MsgBox("Multiwell Configuration File " + plate + ".dat or .bak not found");
            throw ReportStopped();
        }
        SettingsReader layout = OpenOrFail(layoutPath);
        layout.ReadText();
        layout.ReadText();
        data.m_report_plate_rows = layout.ReadInt16();
        data.m_report_row_pitch = layout.ReadInt16();
        data.m_report_row_offset = layout.ReadDouble();
        data.m_report_plate_cols = layout.ReadInt16();
        data.m_report_col_pitch = layout.ReadInt16();
        data.m_report_col_offset = layout.ReadDouble();
        layout.ReadText();
        data.m_report_max_well = 0;
        data.m_report_max_beam = 0;
        data.m_report_channel_well.assign(385, -1);
        data.m_report_channel_beam.assign(385, 0);
        for (int r = 0; r < kMaxRecords && !layout.AtEnd(); ++r) {
            layout.ReadText();
            const int16_t well = layout.ReadInt16();
            const int16_t beam = layout.ReadInt16();
            if (well > 384 || beam > 384 || (well >= 0 && beam < 0))
                throw ReportFailure("well or beam out of range in " + layoutPath);
            data.m_report_channel_well[r] = well;
            data.m_report_channel_beam[r] = beam;
            data.m_report_max_well = std::max(data.m_report_max_well, well);
            data.m_report_max_beam = std::max(data.m_report_max_beam, beam);
        }
        data.m_report_well_beam_channel.Assign(static_cast<size_t>(data.m_report_max_well) + 2,
                                               static_cast<size_t>(data.m_report_max_beam) + 1);
        std::fill(data.m_report_well_beam_channel.v.begin(), data.m_report_well_beam_channel.v.end(), int16_t{-1});
        for (int i = 0; i < kChannels; ++i) {
            const int well = data.m_report_channel_well[i];
            if (well >= 0) data.m_report_well_beam_channel.At(well + 1, data.m_report_channel_beam[i]) = int16_t(i);
        }
    } catch (const SettingsError& e) {
        throw ReportFailure(e.what());
    }
}

std::string DescribeSetting(const std::string& folder) {
    try {
        SettingsReader setup = OpenOrFail(platform::JoinPath(folder, "setup.dat"));
        for (int i = 0; i < 3; ++i) setup.ReadLine();
        int16_t method = 0;
        for (int i = 0; i < 6; ++i) {
            if (i == 4) method = setup.ReadInt16();
            else setup.ReadText();
        }
        for (int i = 0; i < 5; ++i) setup.ReadLine();
        int16_t organism = 0, s = 0;
        for (int i = 0; i < 6; ++i) {
            if (i == 0) organism = setup.ReadInt16();
            else if (i == 3) s = setup.ReadInt16();
            else setup.ReadText();
        }
        if (s < 5) s = 18;
        std::string snr = FormatReal(RoundDecimals(s / 10.0, 1));
        const std::string sign = platform::LocaleDecimalSeparator();
        if (sign != ".") std::replace(snr.begin(), snr.end(), '.', sign.empty() ? '.' : sign[0]);
        static const char* const kNames[] = {"C.elegans", "Zebrafish", "Echinococcus"};
        const std::string name = (organism >= 0 && organism <= 2) ? kNames[organism] : "";
        return "Mode" + std::to_string(method) + " " + name + "[snr=" + snr + "]";
    } catch (const SettingsError& e) {
        throw ReportFailure(e.what());
    }
}

}  // namespace vondrel::reports
