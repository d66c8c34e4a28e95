#include "setup/PlateGroups.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/Numbers.h"
#include "store/GroupBlocks.h"
#include "store/PlateMap.h"

namespace vondrel::setup {

namespace {
constexpr uint32_t kBlue = Bgr(0, 0, 255);
constexpr uint32_t kWhite = Bgr(255, 255, 255);

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return out;
}

bool OnPlate(int channel) { return g_channel_well[channel] >= 0; }
bool Enabled(int channel) { return g_channel_enabled[channel] != 0; }
}  // namespace

GroupSetRef StationGroups(int station) { return {StationGroupNames(station), StationChannelGroups(station)}; }

std::string PlateFormatInfo(std::string_view code) {
    struct Info {
        const char* code;
        const char* lines[3];
    };
    static const Info infos[] = {
        {"w384", {"384 Well microplate [1microbeams/well]", "USE 'W384' plate Adapter", nullptr}},
        {"w96f", {"96 Wells flat bottom [2microbeams/well]", "USE 'W96F' plate Adapter", nullptr}},
        {"w24", {"24 Wells flat bottom [4microbeams/well]", "USE 'W384' or 'W24' plate Adapter", nullptr}},
        {"w48", {"48 Wells flat bottom [1-3microbeams/well]", "USE 'W384' or 'W48' plate Adapter", nullptr}},
        {"w6", {"6 Wells flat bottom [30-32microbeams/well]", "USE 'W384' or 'W6' plate Adapter", nullptr}},
        {"w96u", {"96 Wells U shape bottom [1microbeam/well]", "USE 'W96U' plate Adapter", nullptr}},
        {"w96flat",
         {"96 Wells flat bottom [4microbeams/well]", "USE 'W384' or 'W96x4' plate Adapter",
          "NOTE: DISCONTINUED. Contact provider"}},
    };
    for (const Info& i : infos) {
        if (code != i.code) continue;
        std::string text = i.lines[0];
        for (int k = 1; k < 3 && i.lines[k]; ++k) text += std::string("\r\n") + i.lines[k];
        return text;
    }
    return "";
}

std::vector<std::string> PlateFormatsOf(const std::vector<std::string>& entries) {
    std::vector<std::string> codes;
    for (const std::string& e : entries) {
        const std::string name = Lower(e);
        if (name.size() < 5 || name[0] != 'w' || name.compare(name.size() - 4, 4, ".dat") != 0) continue;
        codes.push_back(name.substr(0, name.find(".dat")));
    }
    return codes;
}

std::vector<std::string> ArrangementSets(int rows, int cols) {
    std::vector<std::string> sets;
    for (int c = 1; c <= 16; ++c) {
        if (cols % c != 0) continue;
        for (int r = 1; r <= 16; ++r) {
            if (rows % r != 0) continue;
            sets.push_back(FormatPadded(r, 2) + "x" + FormatPadded(c, 2) + " [RowsxColumn]");
        }
    }
    return sets;
}

int DefaultArrangementIndex(int count) { return count >= 3 ? 2 : 0; }

int ChannelAt(int well, int beam) {
    const WellBeamTable& t = g_well_beam_channel;
    if (well < 0 || beam < 0 || well >= t.wells || beam >= t.beams) return -1;
    const int c = t.At(well, beam);
    if (c < 0 || c >= kChannels || g_channel_well[c] != well || g_channel_beam[c] != beam) return -1;
    return c;
}

int WellOfLabel(std::string_view label) {
    const size_t dot = label.find('.');
    if (label.size() < 2 || dot == std::string_view::npos || dot < 2) return -1;
    const int row = static_cast<unsigned char>(label[0]) - 65;
    const int col = static_cast<int>(Val(label.substr(1, dot - 1))) - 1;
    if (row < 0 || col < 0) return -1;
    return col * g_plate_rows + row;
}

int EntryGroup(std::string_view entry) { return static_cast<int>(Val(entry.substr(0, 3))); }

std::vector<std::string> BuildGroupEntries(GroupSetRef set) {
    std::vector<bool> used(kChannels, false);
    int top = -1;
    for (int c = 0; c < kChannels; ++c) {
        const int g = set.groups[c];
        if (g >= 0 && g < kChannels) {
            used[g] = true;
            top = std::max(top, g);
        }
    }
    std::vector<std::string> entries;
    for (int g = 0; g < kChannels; ++g) {
        if (used[g] || g <= top) {
            entries.push_back(FormatPadded(g, 3) + "_" + set.names[g]);
            if (used[g] && set.names[g] == "Free") set.names[g] = "Group" + std::to_string(g);
        }
        if (g == top + 1) entries.push_back(FormatPadded(g, 3) + "_" + set.names[g]);
    }
    return entries;
}

std::vector<std::string> GroupChannelLabels(const ChannelTable16& groups, int group) {
    std::vector<std::string> labels;
    if (group < 0) return labels;
    for (int c = 0; c < kChannels; ++c)
        if (groups[c] == group && Enabled(c) && OnPlate(c)) labels.push_back(ChannelLabel(c));
    return labels;
}

std::vector<std::string> FreeChannelLabels(const ChannelTable16& groups) {
    std::vector<std::string> labels;
    for (int c = 0; c < kChannels; ++c)
        if (groups[c] == -1 && Enabled(c) && OnPlate(c)) labels.push_back(ChannelLabel(c));
    return labels;
}

void MoveWell(ChannelTable16& groups, int well, int group) {
    for (int beam = 0; beam <= g_max_beam; ++beam) {
        const int c = ChannelAt(well, beam);
        if (c >= 0) groups[c] = static_cast<int16_t>(group);
    }
}

void ClearGroups(GroupSetRef set) {
    for (int c = 0; c < kChannels; ++c) {
        set.groups[c] = -1;
        set.names[c] = "Free";
    }
}

void AutoArrangeGroups(GroupSetRef set, std::string_view caption) {
    ClearGroups(set);
    BlockPlate plate;
    plate.rows = g_plate_rows;
    plate.cols = g_plate_cols;
    plate.maxWell = g_max_well;
    plate.blockLimit = std::numeric_limits<int>::max();
    plate.firstChannel = [](int well) { return ChannelAt(well, 0); };
    plate.enabled = [](int c) { return Enabled(c); };
    plate.channelWell = &g_channel_well;
    LayGroupBlocks(plate, caption, set.groups, set.names);
}

PlateCell CellAt(double x, double y) {
    const double colUnit = g_plate_col_pitch * 100, rowUnit = g_plate_row_pitch * 100;
    PlateCell cell;
    cell.col = colUnit == 0 ? 0 : static_cast<int>(IntFloor((x - g_plate_col_offset * 100) / colUnit));
    cell.row = rowUnit == 0 ? 0 : static_cast<int>(IntFloor((y - g_plate_row_offset * 100) / rowUnit));
    cell.col = std::max(cell.col, 0);
    cell.row = std::max(cell.row, 0);
    return cell;
}

bool CellOnPlate(PlateCell c) { return c.row >= 0 && c.row < g_plate_rows && c.col >= 0 && c.col < g_plate_cols; }

void PressWell(ChannelTable16& groups, int well, int group, bool left) {
    for (int c = 0; c < kChannels; ++c) {
        if (g_channel_well[c] != well || !Enabled(c)) continue;
        if (left && groups[c] == -1) groups[c] = static_cast<int16_t>(group);
        if (!left) groups[c] = -1;
    }
}

int ReleaseRectangle(ChannelTable16& groups, PlateCell from, PlateCell to, int group, bool left) {
    const int r0 = std::min(from.row, to.row), r1 = std::max(from.row, to.row);
    const int c0 = std::min(from.col, to.col), c1 = std::max(from.col, to.col);
    int last = -1;
    for (int r = r0; r <= r1; ++r) {
        for (int col = c0; col <= c1; ++col) {
            last = col * g_plate_rows + r;
            for (int c = 0; c < kChannels; ++c)
                if (g_channel_well[c] == last && Enabled(c)) groups[c] = static_cast<int16_t>(left ? group : -1);
        }
    }
    return last;
}

PlatePlan BuildPlatePlan(const ChannelTable16& groups) {
    PlatePlan p;
    const double co = g_plate_col_offset * 100, ro = g_plate_row_offset * 100;
    const double cpf = g_plate_col_pitch * 100, rpf = g_plate_row_pitch * 100;
    p.left = RoundHalfEven(co) - 100;
    p.top = RoundHalfEven(ro) - 100;
    p.right = 2425;
    p.bottom = 1625;
    const double cp = RoundHalfEven(cpf), cpo = RoundHalfEven(co), rp = RoundHalfEven(rpf), rpo = RoundHalfEven(ro);
    for (int r = 0; r < g_plate_rows; ++r)
        for (int c = 0; c < g_plate_cols; ++c)
            p.outlines.push_back({c * cp + cpo, r * rp + rpo, (c + 1) * cp + cpo, (r + 1) * rp + rpo, kBlue});
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 24; ++c) {
            const int ch = c * 16 + r;
            const bool yellow = !Enabled(ch) || !OnPlate(ch);
            p.beams.push_back({c * 100.0 + 50, r * 100.0 + 50, 5, yellow ? Bgr(255, 255, 0) : Bgr(200, 200, 200)});
        }
    }
    static const uint32_t colours[] = {Bgr(0, 128, 0), Bgr(0, 0, 128), Bgr(255, 0, 0), Bgr(255, 150, 0)};
    for (int c = 0; c < g_plate_cols; ++c) {
        for (int r = 0; r < g_plate_rows; ++r) {
            const int ch = ChannelAt(c * g_plate_rows + r, 0);
            if (ch < 0 || groups[ch] < 0) continue;
            const int g = groups[ch];
            p.labels.push_back({c * cpf + co + 25, r * rpf + ro + 45, "G" + std::to_string(g), colours[g % 4], 10});
        }
    }
    for (int c = 0; c < g_plate_cols; ++c) p.headings.push_back({c * cpf + co + 50, ro - 100, std::to_string(c + 1), 0, 12});
    for (int r = 0; r < g_plate_rows; ++r)
        p.headings.push_back({co - 100, r * rpf + ro + 25, std::string(1, static_cast<char>(65 + r)), 0, 12});
    return p;
}

std::vector<PlateStrip> BuildStrips(PlateCell near, PlateCell far) {
    const double x0 = RoundHalfEven(g_plate_col_offset * 100), y0 = RoundHalfEven(g_plate_row_offset * 100);
    const double rp = g_plate_row_pitch * 100, cp = g_plate_col_pitch * 100;
    const double bottom = g_plate_rows * rp + y0, right = cp * g_plate_cols + x0;
    return {
        {true, x0, y0, x0 + 4, bottom, kWhite},
        {false, x0, y0, x0, bottom, kBlue},
        {true, x0, near.row * rp + y0, x0 + 4, (far.row + 1) * rp + y0, kBlue},
        {true, x0, y0, right, y0 + 4, kWhite},
        {false, x0, y0, right, y0, kBlue},
        {true, near.col * cp + x0, y0, (far.col + 1) * cp + x0, y0 + 4, kBlue},
    };
}

}  // namespace vondrel::setup
