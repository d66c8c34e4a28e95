#include "StoreFixture.h"
#include "store/FreshFolder.h"
#include "store/PlateMap.h"
#include "store/SettingsText.h"

using namespace vondrel;

namespace {
std::string MapHeader(const char* geometry) {
    return std::string("\"Plate map\",\"test\"\r\n") + geometry + "\r\n\"<Label>, <Well>, <Beam>\"\r\n";
}
}  // namespace

class PlateMapTest : public vondrel::testing::StoreTest {};

TEST_F(PlateMapTest, MissingFileFallsBackToTheBuiltInMap) {
    g_plate_format = "96f";
    boxes.ExpectMessage("Error [/96f.dat] ID#0 => Loading plate format from default: 384,96f or 96u...");
    LoadPlateMap(0);
    EXPECT_EQ(g_plate_format, "w96f");
    EXPECT_EQ(g_max_well, 95);
    EXPECT_EQ(g_max_beam, 1);
}

TEST_F(PlateMapTest, BuiltInMaps) {
    SetBuiltInPlateMap("w96f");
    BuildWellBeamIndex();
    struct { int channel, well, beam; } w96f[] = {{0, 0, 0}, {16, 0, 1}, {1, -1, 0}, {32, 8, 0}, {2, 1, 0}, {366, 95, 0},
                                                 {382, 95, 1}, {17, -1, 0}};
    for (auto e : w96f) {
        EXPECT_EQ(g_channel_well[e.channel], e.well) << e.channel;
        if (e.well >= 0) {
            EXPECT_EQ(g_channel_beam[e.channel], e.beam) << e.channel;
        }
    }
    EXPECT_EQ(g_well_beam_channel.At(0, 1), 16);
    EXPECT_EQ(ChannelLabel(0), "A1.0");
    EXPECT_EQ(ChannelLabel(16), "A1.1");
    EXPECT_EQ(ChannelLabel(32), "A2.0");
    EXPECT_EQ(ChannelLabel(382), "H12.1");
    EXPECT_EQ(ChannelLabel(1), "-");
    EXPECT_EQ(g_plate_col_offset, 0.0);
    EXPECT_EQ(g_plate_row_offset, -0.5);

    SetBuiltInPlateMap("w96u");
    for (int c = 16; c < 32; ++c) EXPECT_EQ(g_channel_well[c], -1) << c;
    EXPECT_EQ(g_channel_well[32], 8);
    EXPECT_EQ(g_plate_col_offset, -0.5);

    SetBuiltInPlateMap("w384");
    BuildWellBeamIndex();
    EXPECT_EQ(g_well_beam_channel.At(383, 0), 383);
}

TEST_F(PlateMapTest, AShortMapKeepsTheEarlierChannelsAndMayFailItsIndex) {
    SetBuiltInPlateMap("w384");  // channels 10..383 hold wells up to 383
    std::string map = MapHeader("8,2,-0.5,12,2,0");
    for (int k = 0; k < 10; ++k) map += "\"A" + std::to_string(k) + "\"," + std::to_string(k) + ",0\r\n";
    home.Write("w10.dat", map);
    g_plate_format = "w10";
    boxes.ExpectMessage("Error [/w10.dat] ID#3 => Loading plate format from default: 384,96f or 96u...");
    LoadPlateMap(0);
    EXPECT_EQ(g_plate_format, "w96f");

    // Read without the fallback, the failure reaches the caller and the
    // current map stays whole: no half-read plate.
    SetBuiltInPlateMap("w384");
    BuildWellBeamIndex();
    g_plate_format = "w10";
    int stage = -1;
    EXPECT_THROW(ParsePlateMapFile(home / "w10.dat", &stage), SettingsError);
    EXPECT_EQ(stage, 3);
    EXPECT_THROW(ReadPlateMap(), SettingsError);
    EXPECT_EQ(g_channel_well[5], 5);
    EXPECT_EQ(g_channel_well[200], 200);
    EXPECT_EQ(g_max_well, 383);
    EXPECT_EQ(g_plate_rows, 16);
    EXPECT_EQ(g_well_beam_channel.At(383, 0), 383);

    // With the earlier channels off the plate the same short file parses:
    // the first ten channels take their wells, the rest keep theirs.
    for (int c = 0; c < kChannels; ++c) g_channel_well[c] = -1;
    PlateMapValue m = ParsePlateMapFile(home / "w10.dat");
    EXPECT_EQ(m.rows, 8);
    EXPECT_EQ(m.maxWell, 9);
    EXPECT_EQ(m.channelWell[9], 9);
    EXPECT_EQ(m.channelWell[10], -1);
    EXPECT_EQ(g_plate_rows, 16);  // parsing alone changes nothing
    ReadPlateMap();
    EXPECT_EQ(g_plate_rows, 8);
    EXPECT_EQ(g_well_beam_channel.At(9, 0), 9);
}

TEST_F(PlateMapTest, FilesAreFoundWithoutRegardToCase) {
    SetStandardPlateMap("w24");
    ASSERT_TRUE(WritePlateMapFile(home / "W24.DAT", "w24"));
    g_plate_format = "w24";
    LoadPlateMap(0);
    EXPECT_EQ(g_plate_rows, 4);
    EXPECT_EQ(g_plate_cols, 6);
}

TEST_F(PlateMapTest, OutOfRangeWellsAreAFailureNotAHugeTable) {
    home.Write("wbig.dat", MapHeader("1,1,0,1,1,0") + "\"x\",32767,32767\r\n");
    g_plate_format = "wbig";
    boxes.ExpectMessage("Error [/wbig.dat] ID#2 => Loading plate format from default: 384,96f or 96u...");
    LoadPlateMap(0);
    EXPECT_EQ(g_max_well, 95);
}

TEST_F(PlateMapTest, EveryOfferedFormatHasAMapThatReadsBack) {
    struct { const char* code; int rows, cols, wells, minBeams, maxBeams; } formats[] = {
        {"w384", 16, 24, 384, 1, 1}, {"w96f", 8, 12, 96, 2, 2}, {"w96u", 8, 12, 96, 1, 1},
        {"w96", 8, 12, 96, 4, 4},    {"w96flat", 8, 12, 96, 4, 4}, {"w48", 6, 8, 48, 1, 6},
        {"w24", 4, 6, 24, 4, 12},    {"w6", 2, 3, 6, 30, 60},      {"w32_flytube", 16, 2, 32, 12, 12}};
    ASSERT_EQ(PlateFormatCodes().size(), std::size(formats));
    PrepareProgramFolder();
    for (auto f : formats) {
        g_plate_format = f.code;
        ReadPlateMap();
        EXPECT_EQ(g_plate_rows, f.rows) << f.code;
        EXPECT_EQ(g_plate_cols, f.cols) << f.code;
        EXPECT_EQ(g_max_well + 1, f.wells) << f.code;
        std::vector<int> beams(static_cast<size_t>(f.wells), 0);
        for (int c = 0; c < kChannels; ++c) {
            if (g_channel_well[c] < 0) continue;
            ++beams[static_cast<size_t>(g_channel_well[c])];
            // the index finds each channel at its own well and beam
            EXPECT_EQ(g_well_beam_channel.At(g_channel_well[c], g_channel_beam[c]), c) << f.code;
        }
        for (int b : beams) {
            EXPECT_GE(b, f.minBeams) << f.code;
            EXPECT_LE(b, f.maxBeams) << f.code;
        }
    }
}

// A code is the base name of a map file of the program folder, never a path:
// a code that would lead out of it (or names no file at all) takes the
// failure path, though a map lies where the path leads.
TEST_F(PlateMapTest, ACodeThatIsAPathNamesNoMap) {
    home.Write("outside/.keep", "");
    home.Write("a/b/.keep", "");
    SetStandardPlateMap("w24");
    ASSERT_TRUE(WritePlateMapFile(home / "outside/evil.dat", "w24"));
    ASSERT_TRUE(WritePlateMapFile(home / "a/evil.dat", "w24"));
    ASSERT_TRUE(WritePlateMapFile(home / "a/b/..dat", "w24"));
    ASSERT_TRUE(WritePlateMapFile(home / "a/b/.dat", "w24"));
    platform::SetProgramFolderForTest(home / "a/b");
    for (const char* code : {"../../outside/evil", "..\\..\\outside\\evil", "../evil", "/evil", "", ".", ".."}) {
        SCOPED_TRACE(code);
        g_plate_format = code;
        boxes.ExpectMessage("Error [/" + std::string(code) +
                            ".dat] ID#0 => Loading plate format from default: 384,96f or 96u...");
        LoadPlateMap(0);
        EXPECT_EQ(g_plate_format, "w96f");
        EXPECT_EQ(g_plate_rows, 8);
        EXPECT_EQ(g_max_beam, 1);
        g_plate_format = code;
        EXPECT_THROW(ReadPlateMap(), SettingsError);
    }
    // The map itself reads where it is a map of the program folder.
    platform::SetProgramFolderForTest(home / "outside");
    g_plate_format = "evil";
    ReadPlateMap();
    EXPECT_EQ(g_plate_rows, 4);
}
