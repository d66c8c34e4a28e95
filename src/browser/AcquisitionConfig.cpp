#include "browser/AcquisitionConfig.h"

#include <cmath>
#include <cstdio>

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "store/ChannelFiles.h"
#include "store/PlateMap.h"
#include "store/SettingsText.h"
#include "store/Setup.h"

namespace vondrel::browser {

using platform::JoinPath;

namespace {

std::string DefaultsMessage(const std::string& path) { return "Error [" + path + "] => Loading default values..."; }

SettingsReader OpenList(const std::string& path) {
    auto in = SettingsReader::Open(path);
    if (!in) throw SettingsError("File not found");
    in->ReadText();
    return std::move(*in);
}

// Reads (channel, value) records by line order, at most 385; the channel
// field is not used as index.
template <typename Read>
void ReadRecords(const std::string& path, Read read) {
    auto in = OpenList(path);
    for (int k = 0; k < kChannelSlots && !in.AtEnd(); ++k) {
        in.ReadInt16();
        read(in, k);
    }
}

AcquisitionSetup ReadSetup(const std::string& path) {
    int lines = CountFileLines(path);
    auto in = SettingsReader::Open(path);
    if (!in || lines < 6) throw SettingsError("short");
    AcquisitionSetup s;
    in->ReadText();
    in->ReadText();  // Num_proj
    s.name = in->ReadText();
    s.workingFolder = in->ReadText();
    s.plateFormat = in->ReadText();
    in->ReadText();
    for (int16_t* v : {&s.aqMode, &s.aqLapse, &s.sampleRate, &s.rtBuffer, &s.dspMethod, &s.dspInterval}) *v = in->ReadInt16();
    in->ReadText();
    for (int16_t* v : {&s.binaryAcq, &s.thresholdCounter, &s.calValue, &s.calMode, &s.saveCounts, &s.saveReal})
        *v = in->ReadInt16();
    if (lines > 7) {
        in->ReadText();
        for (auto& m : s.menu) m = in->ReadInt16();
    }
    if (lines > 9) {
        in->ReadText();
        for (auto& m : s.mn1) m = in->ReadInt16();
    }
    return s;
}

// A plate code naming another folder has no file.
std::string PlateFile(const std::string& programFolder, const std::string& code) {
    return FindPlateMapFile(programFolder, code, true);
}

}  // namespace

AcquisitionConfig DefaultAcquisitionConfig() {
    AcquisitionConfig c;
    c.channelEnabled.fill(true);
    c.channelThreshold.fill(3.0);
    FillDefaultGroupNames(c.groupNames);
    FillDefaultChannelGroups(c.channelGroup);
    c.channelWell.fill(-1);
    c.channelBeam.fill(0);
    return c;
}

int FirstBeamChannel(const AcquisitionConfig& config, int well) {
    if (well < 0 || well >= static_cast<int>(config.wellBeamChannel.size())) return -1;
    const auto& beams = config.wellBeamChannel[static_cast<size_t>(well)];
    return beams.empty() ? -1 : beams[0];
}

AcquisitionConfig ReadAcquisitionConfig(const std::string& folder, const std::string& programFolder) {
    AcquisitionConfig c = DefaultAcquisitionConfig();
    const std::string setupPath = JoinPath(folder, "setup.dat");
    try {
        c.setup = ReadSetup(setupPath);
        c.hasSetup = true;
    } catch (const SettingsError&) {
        c.messages.push_back(DefaultsMessage(setupPath));
    }
    if (c.setup.SnrX10() < 5) c.setup.mn1[3] = 18;

    // status.dat: a missing file leaves every channel on; a short one the rest.
    const std::string statusPath = JoinPath(folder, "status.dat");
    if (platform::FileExists(statusPath)) {
        try {
            ReadRecords(statusPath, [&](SettingsReader& in, int k) { c.channelEnabled[k] = in.ReadInt16() != 0; });
        } catch (const SettingsError&) {
        }
    }

    const std::string thresholdPath = JoinPath(folder, "threshld.dat");
    try {
        auto values = c.channelThreshold;
        ReadRecords(thresholdPath, [&](SettingsReader& in, int k) { values[k] = in.ReadDouble(); });
        c.channelThreshold = values;
    } catch (const SettingsError&) {
        c.messages.push_back(DefaultsMessage(thresholdPath));
    }
    const std::string groupsPath = JoinPath(folder, "groups.dat");
    try {
        auto names = c.groupNames;
        ReadRecords(groupsPath, [&](SettingsReader& in, int k) { names[k] = in.ReadText(); });
        c.groupNames = names;
    } catch (const SettingsError&) {
        c.messages.push_back(DefaultsMessage(groupsPath));
    }
    const std::string chgroupPath = JoinPath(folder, "chgroup.dat");
    try {
        auto groups = c.channelGroup;
        ReadRecords(chgroupPath, [&](SettingsReader& in, int k) {
            int16_t g = in.ReadInt16();
            if (g < -1 || g >= kChannels) throw SettingsError("group out of range");
            groups[k] = g;
        });
        c.channelGroup = groups;
    } catch (const SettingsError&) {
        c.messages.push_back(DefaultsMessage(chgroupPath));
    }

    if (!c.hasSetup) return c;
    const std::string plate = PlateFile(programFolder, c.setup.plateFormat);
    if (plate.empty()) {
        c.messages.push_back("Multiwell Configuration File " + c.setup.plateFormat + ".dat or .bak not found");
        return c;
    }
    try {
        auto in = SettingsReader::Open(plate);
        if (!in) throw SettingsError("File not found");
        AcquisitionConfig p = c;
        in->ReadText();
        in->ReadText();
        p.plateRows = in->ReadInt16();
        p.rowPitch = in->ReadDouble();
        p.rowOffset = in->ReadDouble();
        p.plateCols = in->ReadInt16();
        p.colPitch = in->ReadDouble();
        p.colOffset = in->ReadDouble();
        in->ReadText();
        for (int k = 0; k < kChannelSlots && !in->AtEnd(); ++k) {
            in->ReadText();
            int16_t well = in->ReadInt16(), beam = in->ReadInt16();
            // -1 marks a channel the format does not use.
            if (well < -1 || well > kChannels || beam < 0 || beam > kChannels) throw SettingsError("out of range");
            p.channelWell[k] = well;
            p.channelBeam[k] = beam;
            if (well > p.maxWell) p.maxWell = well;
            if (beam > p.maxBeam) p.maxBeam = beam;
        }
        p.wellBeamChannel.assign(static_cast<size_t>(p.maxWell) + 1,
                                 std::vector<int16_t>(static_cast<size_t>(p.maxBeam) + 1, -1));
        for (int ch = 0; ch < kChannels; ++ch)
            if (p.channelWell[ch] >= 0)
                p.wellBeamChannel[static_cast<size_t>(p.channelWell[ch])][static_cast<size_t>(p.channelBeam[ch])] =
                    static_cast<int16_t>(ch);
        c = std::move(p);
    } catch (const SettingsError&) {
        c.messages.push_back(DefaultsMessage(plate));
    }
    return c;
}

std::string OrganismName(int code) {
    static const char* names[] = {"C.elegans", "Zebrafish", "Echinococcus", "Drosophila"};
    return code >= 0 && code <= 3 ? names[code] : "";
}

std::string ThresholdText(const AcquisitionSetup& setup, const std::string& decimalSign) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", setup.SnrX10() / 10.0);
    std::string out = text;
    auto dot = out.find('.');
    if (dot != std::string::npos) out.replace(dot, 1, decimalSign);
    return out;
}

std::string ConfigText(const AcquisitionSetup& setup, const std::string& decimalSign) {
    const std::string item = "\r\n\t";
    return item + "***** CONFIG ******" + item + "Microplate format: [" + setup.plateFormat + "]" + item +
           "Acquisition Lapse = " + std::to_string(setup.aqLapse) + "min" + item + "Setting: Mode" +
           std::to_string(setup.dspMethod) + item + "[" + OrganismName(setup.Organism()) +
           " SNR=" + ThresholdText(setup, decimalSign) + "]";
}

std::string DetailsBoxText(const std::string& configText) {
    std::string out;
    size_t start = configText.find('\r');
    for (int n = 0; n < 9 && start != std::string::npos; ++n) {
        const size_t end = configText.find('\r', start + 1);
        const std::string line = configText.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        for (char c : line)
            if (c != '\t' && c != '\r' && c != '\n') out += c;
        out += "\r\n";
        start = end;
    }
    return out;
}

GroupListItems GroupItems(const AcquisitionConfig& config) {
    std::array<bool, kChannelSlots> used{};
    for (int ch = 0; ch < kChannels; ++ch)
        if (config.channelGroup[ch] >= 0 && config.channelGroup[ch] < kChannelSlots) used[config.channelGroup[ch]] = true;
    GroupListItems items;
    for (int g = 0; g < kChannels; ++g) {
        if (!used[g]) continue;
        char number[8];
        std::snprintf(number, sizeof number, "%03d", g);
        items.combo.push_back(std::string(number) + "_" + config.groupNames[g]);
    }
    items.plot = items.combo;
    items.combo.push_back("999_Free");
    if (items.plot.empty()) items.plot.push_back("999_Free");
    return items;
}

}  // namespace vondrel::browser
