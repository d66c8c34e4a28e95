#include <gtest/gtest.h>

#include "techpanel/PanelRules.h"

namespace vondrel::techpanel {
namespace {

TEST(PanelAddressing, RegistersAndBanksOfBothPanels) {
    struct Case { PanelVariant v; int channel; int reg; };
    for (const Case& c : {Case{PanelVariant::Mini, 383, 192}, {PanelVariant::Mini, 5, 2}, {PanelVariant::Mini, 7, 4},
                          {PanelVariant::Mini, 1, 0}, {PanelVariant::Twin, 200, 200}})
        EXPECT_EQ(SelectedRegisterOf(c.v, c.channel), c.reg) << c.channel;
    const RegisterAddress st2 = WriteAddressOf(PanelVariant::Mini, 2, 17);
    EXPECT_EQ(st2.address, 0x82);
    EXPECT_EQ(st2.reg, 17);
    const RegisterAddress twin = WriteAddressOf(PanelVariant::Twin, 3, 200);
    EXPECT_EQ(twin.address, 0x81);
    EXPECT_EQ(twin.reg, 72);
    const RegisterAddress read = ReadAddressOf(PanelVariant::Twin, 200);
    EXPECT_EQ(read.address, 1);
    EXPECT_EQ(read.reg, 72);
    EXPECT_EQ(ReadAddressOf(PanelVariant::Twin, 127).address, 0);
    EXPECT_EQ(ReadAddressOf(PanelVariant::Mini, 300).address, 0);
    EXPECT_EQ(ReadAddressOf(PanelVariant::Mini, 300).reg, 300);
}

TEST(PanelAddressing, SettingByteAndBoxes) {
    EXPECT_EQ(SettingGain(0xE7), 7);
    EXPECT_EQ(SettingPower(0xE7), 7);
    EXPECT_EQ(SettingGain(0x4A), 2);
    EXPECT_EQ(SettingPower(0x4A), 7);  // remainder 10 capped
    EXPECT_EQ(ParseSettingBox("7"), 7);
    EXPECT_EQ(ParseSettingBox(" 2,4 "), 2);
    for (const char* bad : {"", "abc", "8", "-1", "3x"}) EXPECT_FALSE(ParseSettingBox(bad)) << bad;
}

TEST(PanelAddressing, SelectorsAndCellNames) {
    EXPECT_EQ(SelectorChannel("1", "A"), 0);
    EXPECT_EQ(SelectorChannel("1", "P"), 15);
    EXPECT_EQ(SelectorChannel("2", "A"), 16);
    EXPECT_EQ(SelectorChannel("24", "P"), 383);
    EXPECT_FALSE(SelectorChannel("", "A"));
    EXPECT_FALSE(SelectorChannel("25", "A"));
    EXPECT_FALSE(SelectorChannel("1", "@"));
    EXPECT_EQ(CellName(6, 2), "C7");
}

TEST(AutoGainRules, WindowAndAutocalTarget) {
    EXPECT_EQ(AutoGainWindow(90).lo, 1741);
    EXPECT_EQ(AutoGainWindow(90).hi, 1946);
    EXPECT_EQ(AutoGainWindow(80).lo, 1536);
    EXPECT_EQ(AutoGainWindow(80).hi, 1741);
    struct Case { double box; int sent; bool corrected; };
    for (const Case& c : {Case{25, 110, true}, {221, 110, true}, {30, 30, false}, {220, 220, false}, {120.5, 120, false}}) {
        bool corrected = false;
        EXPECT_EQ(AutocalTarget(c.box, corrected), c.sent) << c.box;
        EXPECT_EQ(corrected, c.corrected) << c.box;
    }
}

TEST(DisplayRules, GreyHoverAndZoom) {
    EXPECT_EQ(GreyOfLevel(1000), 125);
    EXPECT_EQ(GreyOfLevel(1004), 126);  // 125.5 to the even 126
    EXPECT_EQ(GreyOfLevel(2036), 254);
    EXPECT_EQ(GreyOfLevel(4095), 255);
    EXPECT_EQ(GreyOfLevel(0), 0);
    const Cell c = HoverCell(349, 650);  // (2.99, 6.0)
    EXPECT_EQ(c.column, 3);
    EXPECT_EQ(c.row, 6);
    EXPECT_FALSE(CellInGrid(HoverCell(-40, 100)));
    EXPECT_FALSE(CellInGrid(HoverCell(2400, 100)));  // rounds to column 24
    EXPECT_TRUE(CellInGrid(HoverCell(1, 1)));
    EXPECT_FALSE(CellInGrid(HoverCell(0, 0)));  // -0.5 rounds away from zero
    EXPECT_EQ(ZoomOffset(2, 1500), -960);
    EXPECT_EQ(ZoomOffset(2, 900), 0);
    EXPECT_EQ(ZoomOffset(10, 4095), 2040 - 40950);  // beyond 16 bits, kept in 32
}

TEST(DisplayRules, DotControlsAtTheirEnds) {
    EXPECT_EQ(BrightnessUp(255), 255);
    EXPECT_EQ(BrightnessUp(250), 265);
    EXPECT_EQ(BrightnessDown(10), -5);
    EXPECT_EQ(BrightnessDown(0), 0);
    EXPECT_EQ(DrawnBrightness(265), 255);
    EXPECT_EQ(DrawnBrightness(-5), 0);
    EXPECT_EQ(DotSizeUp(45), 30);
    EXPECT_EQ(DotSizeDown(0), 1);
    EXPECT_EQ(DrawnDotSize(0), 1);
    EXPECT_EQ(BoxNumber("abc"), 0);
    EXPECT_EQ(BoxNumber("12px"), 12);
}

TEST(DisplayRules, ScanGeometry) {
    const ScanGeometry g = ScanGeometryOf(480, 320);
    EXPECT_EQ(g.cw, 20);
    EXPECT_EQ(g.ch, 20);
    EXPECT_EQ(g.positionsPerRow(), 21);
    EXPECT_EQ(g.samplesPerSweep(), 420);
}

TEST(GainCurveLines, HeaderSampleAndStatistics) {
    EXPECT_EQ(TestHeaderLine(3, 5), "p=3,g=5\r\n");
    const int16_t levels[] = {1022, 0, 1017};
    EXPECT_EQ(TestSampleLine(0, levels), "[0] 1022 0 1017\r\n");
    const int16_t six[] = {10, 10, 10, 10, 10, 16};
    double mean = 0, dev = 0;
    MeanAndDeviation(six, mean, dev);
    const double m[] = {mean}, d[] = {dev};
    EXPECT_EQ(TestStatLine(3, 5, m), "[p3,g5] 11\r\n");
    EXPECT_EQ(TestStatLine(3, 5, d), "[p3,g5] 2\r\n");
}

TEST(PortTableFile, ReadsPairsAndItemsWritesLines) {
    PortTable t = ParseMultitsk("1,1\r\n4,7\r\n");
    EXPECT_EQ(t[1], 1);
    EXPECT_EQ(t[4], 7);
    t = ParseMultitsk("5\r\n6\r\nx\r\n8");
    EXPECT_EQ(t[1], 5);
    EXPECT_EQ(t[2], 6);
    EXPECT_EQ(t[3], 8);  // the bad item is skipped
    t[3] = 0;
    const std::string text = FormatMultitsk(t);
    EXPECT_EQ(text.substr(0, 12), "1,5\r\n2,6\r\n3,");
    EXPECT_EQ(ParseMultitsk(text), t);  // a written file reads back entry for entry
    EXPECT_EQ(ParseMultitsk(""), PortTable{});
}

}  // namespace
}  // namespace vondrel::techpanel
