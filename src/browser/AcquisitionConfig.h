// The settings a recording was made with, read from the copies of the project
// files in its folder, and the texts the browser shows for them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/Globals.h"

namespace vondrel::browser {

struct AcquisitionSetup {
    std::string name, workingFolder, plateFormat;
    int16_t aqMode = 0, aqLapse = 0, sampleRate = 0, rtBuffer = 0, dspMethod = 0, dspInterval = 0;
    int16_t binaryAcq = 0, thresholdCounter = 0, calValue = 0, calMode = 0, saveCounts = 0, saveReal = 0;
    std::array<int16_t, 6> menu{};
    // Row Mn1 of the tools table: Organism, Enab_Cal, Enab_Zero, SNRx10 and two more.
    std::array<int16_t, 6> mn1{};
    int16_t Organism() const { return mn1[0]; }
    int16_t SnrX10() const { return mn1[3]; }
};

struct AcquisitionConfig {
    AcquisitionSetup setup;
    bool hasSetup = false;
    std::array<bool, kChannelSlots> channelEnabled{};
    std::array<double, kChannelSlots> channelThreshold{};
    GroupNames groupNames;
    ChannelTable16 channelGroup{};
    // Plate: rows 0 means no plate was read.
    int16_t plateRows = 0, plateCols = 0;
    double rowPitch = 0, rowOffset = 0, colPitch = 0, colOffset = 0;
    ChannelTable16 channelWell{}, channelBeam{};
    int16_t maxWell = 0, maxBeam = 0;
    std::vector<std::vector<int16_t>> wellBeamChannel;  // [well][beam], -1 where none
    // Messages to show, in order.
    std::vector<std::string> messages;
};

// Store defaults: threshold 3.0, default groups, every channel on, no plate.
AcquisitionConfig DefaultAcquisitionConfig();

// The channel of a well's first beam, -1 for a well outside the plate or
// without one.
int FirstBeamChannel(const AcquisitionConfig& config, int well);

// Reads setup.dat, status.dat, threshld.dat, groups.dat and chgroup.dat of the
// recording folder and the plate file <Plate_format>.dat (else .bak, either
// without regard to case) of the program folder. A missing or damaged file
// keeps its defaults and adds "Error [<path>] => Loading default values...".
// An SNR below 0.5 is taken as 1.8.
AcquisitionConfig ReadAcquisitionConfig(const std::string& folder, const std::string& programFolder);

// "Zebrafish" and the others for the organism code; "" outside 0..3.
std::string OrganismName(int code);
// The SNR as "0.0" text with the given decimal sign.
std::string ThresholdText(const AcquisitionSetup& setup, const std::string& decimalSign);
// The configuration summary: items of CR LF, Tab and text.
std::string ConfigText(const AcquisitionSetup& setup, const std::string& decimalSign);

// The details box under the titles: the configuration summary without its
// Tabs, the lines after the first (at most nine; a line ends at a CR) each
// without Tab, CR and LF and followed by CR LF.
std::string DetailsBoxText(const std::string& configText);

// Items of the group lists: "003_Control" for each group in use in ascending
// order. `combo` ends with "999_Free"; `plot` holds "999_Free" only when
// no group is in use.
struct GroupListItems {
    std::vector<std::string> combo, plot;
};
GroupListItems GroupItems(const AcquisitionConfig& config);

}  // namespace vondrel::browser
