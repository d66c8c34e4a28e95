#include "browser/GroupEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "browser/PlotShapes.h"
#include "browser/RawPage.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "store/ChannelFiles.h"
#include "store/GroupBlocks.h"
#include "store/Setup.h"

namespace vondrel::browser {

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF, kGreen = 0x00FF00;
constexpr uint32_t kGroupColours[4] = {kGreen, kBlue, kRed, kPlotBlack};
constexpr uint32_t kWhite = 0xFFFFFF;

int Rows(const AcquisitionConfig& config) { return std::max<int>(config.plateRows, 1); }

std::string WellLabel(const AcquisitionConfig& config, int well) { return browser::WellLabel(well, Rows(config)); }

bool Enabled(const AcquisitionConfig& config, int c) { return config.channelEnabled[static_cast<size_t>(c)]; }

std::string ChannelLabel(const AcquisitionConfig& config, int c) {
    return WellLabel(config, config.channelWell[static_cast<size_t>(c)]) + "." +
           std::to_string(config.channelBeam[static_cast<size_t>(c)]);
}

std::vector<std::string> ChannelLabels(const AcquisitionConfig& config, int group) {
    std::vector<std::string> out;
    if (group < -1) return out;
    for (int c = 0; c < kChannels; ++c) {
        if (!Enabled(config, c) || config.channelWell[static_cast<size_t>(c)] < 0) continue;
        if (config.channelGroup[static_cast<size_t>(c)] == group) out.push_back(ChannelLabel(config, c));
    }
    return out;
}

int Whole(double x) { return static_cast<int>(RoundHalfEven(x)); }

using shapes::Circle;
using shapes::Prim;
using shapes::Text;

int DayOfYear(int year, int month, int day) {
    static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kBefore[(month - 1) % 12] + day + (leap && month > 2 ? 1 : 0);
}

}  // namespace

std::vector<std::string> BlockShapeItems(int plateRows, int plateCols) {
    std::vector<std::string> items;
    for (int c = 1; c <= 16; ++c) {
        if (plateCols < 1 || plateCols % c != 0) continue;
        for (int r = 1; r <= 16; ++r) {
            if (plateRows < 1 || plateRows % r != 0) continue;
            items.push_back(FormatPadded(r, 2) + "x" + FormatPadded(c, 2) + " [RowsxColumn]");
        }
    }
    return items;
}

int InitialBlockShape(int itemCount) { return itemCount >= 3 ? 2 : 0; }

GroupCombo FillGroupCombo(AcquisitionConfig& config, int group) {
    std::array<bool, kChannels> used{};
    int largest = -1;
    for (int c = 0; c < kChannels; ++c) {
        const int g = config.channelGroup[static_cast<size_t>(c)];
        if (g < 0 || g >= kChannels) continue;
        used[static_cast<size_t>(g)] = true;
        largest = std::max(largest, g);
    }
    GroupCombo combo;
    auto item = [&](int a) {
        combo.items.push_back(FormatPadded(a, 3) + "_" + config.groupNames[static_cast<size_t>(a)]);
    };
    for (int a = 0; a < kChannels; ++a) {
        if (a <= largest) {
            item(a);
            if (used[static_cast<size_t>(a)] && config.groupNames[static_cast<size_t>(a)] == "Free")
                config.groupNames[static_cast<size_t>(a)] = "Group" + std::to_string(a);
        } else if (a == largest + 1) {
            item(a);
        }
    }
    for (size_t i = 0; i < combo.items.size(); ++i) {
        if (ItemGroup(combo.items[i]) == group) {
            combo.selected = static_cast<int>(i);
            break;
        }
    }
    return combo;
}

std::vector<std::string> ListGroupWells(const AcquisitionConfig& config, int group) {
    std::vector<std::string> out;
    if (group < -1) return out;
    for (int w = 0; w <= config.maxWell; ++w) {
        const int ch = FirstBeamChannel(config, w);
        if (ch >= 0 && config.channelGroup[static_cast<size_t>(ch)] == group) out.push_back(WellLabel(config, w));
    }
    return out;
}

std::vector<std::string> ListEditorFreeChannels(const AcquisitionConfig& config) { return ChannelLabels(config, -1); }

std::vector<std::string> ListEditorGroupChannels(const AcquisitionConfig& config, int group) {
    return ChannelLabels(config, group);
}

PlateCell CellAt(const AcquisitionConfig& config, double x, double y) {
    const double colUnit = config.colPitch * 100, rowUnit = config.rowPitch * 100;
    PlateCell cell;
    cell.col = colUnit == 0 ? 0 : static_cast<int>(IntFloor((x - config.colOffset * 100) / colUnit));
    cell.row = rowUnit == 0 ? 0 : static_cast<int>(IntFloor((y - config.rowOffset * 100) / rowUnit));
    cell.col = std::max(cell.col, 0);
    cell.row = std::max(cell.row, 0);
    return cell;
}

bool CellOnPlate(const AcquisitionConfig& config, PlateCell cell) {
    return cell.row >= 0 && cell.row < config.plateRows && cell.col >= 0 && cell.col < config.plateCols;
}

std::vector<PlotPrimitive> PointerMove(const AcquisitionConfig& config, GroupEditorState& state, double x, double y) {
    state.pointer_outside = false;
    const PlateCell cell = CellAt(config, x, y);
    int r0 = cell.row, r1 = cell.row, c0 = cell.col, c1 = cell.col;
    if (state.drag_active) {
        r0 = std::min(state.anchor.row, cell.row);
        r1 = std::max(state.anchor.row, cell.row);
        c0 = std::min(state.anchor.col, cell.col);
        c1 = std::max(state.anchor.col, cell.col);
    }
    const int lastRow = config.plateRows - 1, lastCol = config.plateCols - 1;
    const bool outside = r1 > lastRow || c1 > lastCol || r0 < 0 || c0 < 0 || state.mark_row < 0 ||
                         state.mark_row > lastRow || state.mark_column < 0 || state.mark_column > lastCol;
    std::vector<PlotPrimitive> marks;
    if (!outside) {
        const double x0 = Whole(config.colOffset * 100), y0 = Whole(config.rowOffset * 100);
        const double rp = config.rowPitch * 100, cp = config.colPitch * 100;
        const double w = config.plateCols * cp, h = config.plateRows * rp;
        using K = PlotPrimitive::Kind;
        marks.push_back(Prim(K::Box, x0, y0, x0 + 4, y0 + h, kWhite));
        marks.push_back(Prim(K::Line, x0, y0, x0, y0 + h, kRed));
        marks.push_back(Prim(K::Box, x0, y0 + rp * r0, x0 + 4, y0 + rp * (r1 + 1), kBlue));
        marks.push_back(Prim(K::Box, x0, y0, x0 + w, y0 + 4, kWhite));
        marks.push_back(Prim(K::Line, x0, y0, x0 + w, y0, kRed));
        marks.push_back(Prim(K::Box, x0 + cp * c0, y0, x0 + cp * (c1 + 1), y0 + 4, kBlue));
    } else {
        state.pointer_outside = true;
    }
    state.mark_row = r1;
    state.mark_column = c1;
    return marks;
}

bool PointerPress(AcquisitionConfig& config, GroupEditorState& state, double x, double y, int group, bool left) {
    const PlateCell cell = CellAt(config, x, y);
    if (state.pointer_outside || !CellOnPlate(config, cell)) return false;
    const int well = cell.col * config.plateRows + cell.row;
    for (int c = 0; c < kChannels; ++c) {
        auto& g = config.channelGroup[static_cast<size_t>(c)];
        if (config.channelWell[static_cast<size_t>(c)] != well || !Enabled(config, c)) continue;
        if (!left) g = -1;
        else if (g == -1) g = static_cast<int16_t>(group);
    }
    state.anchor = cell;
    state.drag_active = true;
    return true;
}

bool PointerRelease(AcquisitionConfig& config, GroupEditorState& state, double x, double y, int group, bool left) {
    const PlateCell cell = CellAt(config, x, y);
    if (state.pointer_outside || !CellOnPlate(config, cell)) return false;
    PlateCell from = state.drag_active ? state.anchor : cell;
    const int r0 = std::min(from.row, cell.row), r1 = std::max(from.row, cell.row);
    const int c0 = std::min(from.col, cell.col), c1 = std::max(from.col, cell.col);
    for (int r = r0; r <= r1; ++r) {
        for (int col = c0; col <= c1; ++col) {
            const int well = col * config.plateRows + r;
            for (int c = 0; c < kChannels; ++c) {
                if (config.channelWell[static_cast<size_t>(c)] != well || !Enabled(config, c)) continue;
                config.channelGroup[static_cast<size_t>(c)] = static_cast<int16_t>(left ? group : -1);
            }
        }
    }
    state.drag_active = false;
    return true;
}

void ClearAllGroups(AcquisitionConfig& config) {
    for (int c = 0; c < kChannels; ++c) config.channelGroup[static_cast<size_t>(c)] = -1;
    for (int g = 0; g < kChannels; ++g) config.groupNames[static_cast<size_t>(g)] = "Free";
}

void LayBlocks(AcquisitionConfig& config, const std::string& shapeItem) {
    ClearAllGroups(config);
    BlockPlate plate;
    plate.rows = config.plateRows;
    plate.cols = config.plateCols;
    plate.maxWell = config.maxWell;
    plate.blockLimit = kChannels - 1;
    plate.firstChannel = [&config](int well) { return FirstBeamChannel(config, well); };
    plate.enabled = [&config](int c) { return Enabled(config, c); };
    plate.channelWell = &config.channelWell;
    LayGroupBlocks(plate, shapeItem, config.channelGroup, config.groupNames);
}

PlotPlan PlateGroupsPlan(const AcquisitionConfig& config) {
    PlotPlan plan;
    plan.empty = false;
    plan.left = Whole(config.colOffset * 100) - 50;
    plan.top = Whole(config.rowOffset * 100) - 50;
    plan.right = 2450;
    plan.bottom = 1650;
    const int cp = Whole(config.colPitch * 100), co = Whole(config.colOffset * 100);
    const int rp = Whole(config.rowPitch * 100), ro = Whole(config.rowOffset * 100);
    using K = PlotPrimitive::Kind;
    for (int e = 0; e < config.plateRows; ++e)
        for (int j = 0; j < config.plateCols; ++j)
            plan.items.push_back(Prim(K::Box, j * cp + co, e * rp + ro, (j + 1) * cp + co, (e + 1) * rp + ro, kRed));
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 24; ++c) {
            const int ch = c * 16 + r;
            const bool inWell = Enabled(config, ch) && config.channelWell[static_cast<size_t>(ch)] >= 0;
            plan.items.push_back(Circle(c * 100 + 50, r * 100 + 50, 5, inWell ? kBlue : kYellow));
        }
    }
    const double colX = config.colPitch * 100, rowY = config.rowPitch * 100;
    const double offX = config.colOffset * 100, offY = config.rowOffset * 100;
    for (int m = 0; m < config.plateCols; ++m) {
        for (int r = 0; r < config.plateRows; ++r) {
            const int ch = FirstBeamChannel(config, m * config.plateRows + r);
            if (ch < 0) continue;
            const int g = config.channelGroup[static_cast<size_t>(ch)];
            if (g < 0) continue;
            plan.items.push_back(Text(m * colX + offX + 25, r * rowY + offY + 45, "G" + std::to_string(g),
                                      kGroupColours[g % 4]));
        }
    }
    for (int j = 0; j < config.plateCols; ++j)
        plan.items.push_back(Text(j * colX + offX + 25, offY - 50, std::to_string(j + 1), kPlotBlack));
    for (int l = 0; l < config.plateRows; ++l)
        plan.items.push_back(Text(offX - 50, l * rowY + offY, std::string(1, static_cast<char>('A' + l)), kPlotBlack));
    return plan;
}

std::string GroupBackupStamp(platform::TimePoint at) {
    const auto t = platform::ToLocal(at);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d%d%02d%02d%02d%02d", t.year % 100, DayOfYear(t.year, t.month, t.day), t.month,
                  t.day, t.hour, t.minute);
    return buf;
}

int SaveGroupFiles(const std::string& folder, const GroupNames& names, const ChannelTable16& groups,
                   platform::TimePoint now) {
    const std::string stamp = GroupBackupStamp(now);
    const std::string chPath = platform::JoinPath(folder, "chgroup.dat");
    const std::string namesPath = platform::JoinPath(folder, "groups.dat");
    // Backups first; a file that is not there only means a missing backup.
    TryCopyFile(chPath, platform::JoinPath(folder, "chgroup.bak"));
    TryCopyFile(chPath, platform::JoinPath(folder, "chgroup" + stamp + ".bak"));
    TryCopyFile(namesPath, platform::JoinPath(folder, "groups.bak"));
    TryCopyFile(namesPath, platform::JoinPath(folder, "groups" + stamp + ".bak"));

    const std::optional<std::string> oldNames = platform::ReadBinaryFile(namesPath);
    if (!platform::ReplaceTextFile(namesPath, GroupNamesFileText(names))) return 0;
    if (!platform::ReplaceTextFile(chPath, ChannelGroupsFileText(groups))) {
        // The pair must stay consistent: groups.dat goes back to what it held.
        if (oldNames) platform::ReplaceFile(namesPath, *oldNames);
        else std::remove(namesPath.c_str());
        return 0;
    }
    return 1;
}

}  // namespace vondrel::browser
