#include "mainwindow/MainLayout.h"

#include <cstdint>

#include "platform/Numbers.h"

namespace vondrel {

namespace {
double R(double x) { return RoundHalfEven(x); }

Placement P(std::string name, double left, double top, std::optional<double> width = std::nullopt,
            std::optional<double> height = std::nullopt) {
    return Placement{std::move(name), left, top, width, height, false};
}
}  // namespace

WindowUnits ComputeWindowUnits(double widthTwips, double heightTwips) {
    double w = R(widthTwips), h = R(heightTwips);
    WindowUnits u;
    u.MH = R(w * 0.05);
    u.MT = R(h * 0.025);
    u.WC = R(R(w * 0.9) / 6);
    u.WR = R((R(h * 0.9) - u.MT) / 20);
    return u;
}

LeftUnits ComputeLeftUnits(double panelWidthTwips, double panelHeightTwips, double tppx, double tppy) {
    double pw = static_cast<double>(IntDiv(panelWidthTwips, R(tppx)));
    double ph = static_cast<double>(IntDiv(panelHeightTwips, R(tppy)));
    return {R(pw / 4.1), R(ph / 19.5)};
}

RightUnits ComputeRightUnits(double panelWidthTwips, double panelHeightTwips, double tppx, double tppy) {
    double qw = static_cast<double>(IntDiv(panelWidthTwips, R(tppx)));
    double qh = static_cast<double>(IntDiv(panelHeightTwips, R(tppy)));
    RightUnits u;
    u.RC = R(qw / 2);
    u.RR = R(qh / 19.5);
    u.FC = R(panelWidthTwips / 2);
    u.FR = R(panelHeightTwips / 19.5);
    return u;
}

PanelPlace LeftPanelPlace(const WindowUnits& u) { return {0.5 * u.MH, u.MT, 4.1 * u.WC, 19.5 * u.WR}; }
PanelPlace RightPanelPlace(const WindowUnits& u) { return {4 * u.WC + u.MH, u.MT, 2.05 * u.WC, 19.5 * u.WR}; }
double AutostartTop(const WindowUnits& u) { return 19.75 * u.WR + u.MT; }

std::vector<Placement> LeftPanelContents(const LeftUnits& u, double combocolHeight) {
    const double C = u.LC, L = u.LR;
    // The three plot-type buttons stand side by side, each 0.25 LC wide.
    // The temperature caption ends 0.1 LC inside the panel, wide enough for
    // the self-test's captions. The group selector and the channel and zoom
    // rows form one column from 2.75 to 3.5 LC over the right part of the
    // trace, wide enough for a group's number and name and a well's channel.
    // The time box ends 0.1 LC inside the panel, clear of its rounded corner.
    return {
        P("Cmd_barplot", 0.1 * C, 0.5 * L, 0.25 * C, 1 * L),
        P("Cmd_gridplot", 0.375 * C, 0.5 * L, 0.25 * C, 1 * L),
        P("Cmd_histoplot", 0.65 * C, 0.5 * L, 0.25 * C, 1 * L),
        P("lbl_temperature", 3.25 * C, 0.5 * L, 0.75 * C, 1 * L),
        P("lbl_station", 1 * C, 0.5 * L),
        P("Picact", 0.125 * C, 1.5 * L, 3.7 * C, 9.5 * L),
        P("cmd_pgup", 3.6 * C, 1.5 * L, 0.15 * C, 0.5 * L),
        P("cmd_pgdown", 3.45 * C, 1.5 * L, 0.15 * C, 0.5 * L),
        P("Picreal", 0.425 * C, 11.55 * L, 3.3 * C, 5 * L),
        P("shape_real", 0.325 * C, 11.45 * L, 3.51 * C, 5.2 * L),
        P("combogrup", 2.75 * C, 14.25 * L, 0.75 * C),
        P("cmdbeam_minus", 2.75 * C, 15.1 * L, 0.2 * C, 0.5 * L),
        P("txtbeam", 2.95 * C, 15.1 * L, 0.35 * C, 0.5 * L),
        P("cmdbeam_plus", 3.3 * C, 15.1 * L, 0.2 * C, 0.5 * L),
        P("Cmdzoom_minus", 2.75 * C, 15.75 * L, 0.375 * C, 0.5 * L),
        P("Cmdzoom_plus", 3.125 * C, 15.75 * L, 0.375 * C, 0.5 * L),
        P("Framereal", 0.375 * C, 11.25 * L, 0.85 * C, 5.625 * L),
        P("lbl_listwells", 0.05 * C, 0.1 * L, 0.25 * C),
        P("Combofila", 0.3 * C, 0.1 * L, 0.225 * C),
        P("Combocol", 0.525 * C, 0.1 * L, 0.225 * C),
        P("txtsub", 0.75 * C, 0.1 * L, 0.2 * C),
        P("lstgrup", 0.05 * C, 0.2 * L + combocolHeight, 0.8 * C, 3.5 * L),
        P("Label3", 0.05 * C, 5.5 * L, 0.3 * C, 0.5 * L),
        P("lblcanal", 0.4 * C, 5.5 * L, 0.25 * C, 0.5 * L),
        P("picturetime", 0.42 * C, 17.75 * L, 2.8 * C, 0.5 * L),
        P("Txt_time", 3.3 * C, 17.65 * L, 0.7 * C, 1 * L),
    };
}

Placement FrameSetupPlace(const RightUnits& u) { return P("Frame_setup", 0.05 * u.RC, 0.5 * u.RR, 1.85 * u.RC, 7 * u.RR); }

std::vector<Placement> FrameSetupContents(const RightUnits& u) {
    const double C = u.FC, R_ = u.FR;
    // The project caption stops before the Edit button. The time and format
    // line and the detection summary below it span the frame like the
    // acquisition box: the summary holds the longest organism's name. Each
    // caption ends where its box begins; the body-bends box, when shown,
    // takes the row below the notes.
    return {
        P("lbl_project", 0.1 * C, 0, 1.3 * C, 0.75 * R_),
        P("txt_projecto", 0.1 * C, 0.9 * R_, 1.35 * C, 0.75 * R_),
        P("Cmdsetup", 1.45 * C, 0.7 * R_, 0.35 * C, 1.1 * R_),
        P("Label_acqlapse", 0.15 * C, 1.9 * R_, 0.3 * C, 0.5 * R_),
        P("txt_acqlapse", 0.45 * C, 1.9 * R_, 0.4 * C, 0.5 * R_),
        P("Label_wellformat", 0.85 * C, 1.9 * R_, 0.35 * C, 0.5 * R_),
        P("txt_wellformat", 1.2 * C, 1.9 * R_, 0.5 * C, 0.5 * R_),
        P("chk_bodybends", 0.1 * C, 6.1 * R_, 1.7 * C, 0.6 * R_),
        P("txt_detection", 0.15 * C, 2.75 * R_, 1.6 * C, 0.5 * R_),
        P("Shape_sq", 0.1 * C, 1.8 * R_, 1.7 * C, 1.5 * R_),
        P("lbl_subproject", 0.1 * C, 3.7 * R_, 1.6 * C, 0.75 * R_),
        P("txt_subproject", 0.1 * C, 4.5 * R_, 1.7 * C, 0.75 * R_),
        P("Lbl_keywords", 0.1 * C, 5.5 * R_, 0.3 * C, 0.5 * R_),
        P("Txt_description", 0.4 * C, 5.5 * R_, 1.4 * C, 0.5 * R_),
    };
}

std::vector<Placement> RightPanelContents(const RightUnits& u) {
    const double C = u.RC, R_ = u.RR;
    // "Ready to run?" stands in the row above the run buttons.
    std::vector<Placement> v = {
        P("shape_stacks", 0.15 * C, 8 * R_, 1.75 * C, 3.75 * R_),
        P("chk_enabled_0", 0.2 * C, 8.2 * R_, 0.1 * C, 1.575 * R_),
        P("chk_enabled_1", 1.05 * C, 8.2 * R_, 0.1 * C, 1.575 * R_),
        P("chk_enabled_2", 0.2 * C, 9.8 * R_, 0.1 * C, 1.575 * R_),
        P("chk_enabled_3", 1.05 * C, 9.8 * R_, 0.1 * C, 1.575 * R_),
        P("cmd_stack_pos_0", 0.3 * C, 8.2 * R_, 0.7 * C, 1.575 * R_),
        P("cmd_stack_pos_1", 1.15 * C, 8.2 * R_, 0.7 * C, 1.575 * R_),
        P("cmd_stack_pos_2", 0.3 * C, 9.8 * R_, 0.7 * C, 1.575 * R_),
        P("cmd_stack_pos_3", 1.15 * C, 9.8 * R_, 0.7 * C, 1.575 * R_),
        P("lbl_torun", 0.15 * C, 14 * R_, 1.6 * C, 1 * R_),
        P("CmdPlay", 0.15 * C, 15 * R_, 0.875 * C, 1.975 * R_),
        P("CmdStop", 1.025 * C, 15 * R_, 0.875 * C, 1.975 * R_),
        P("Cmdreport", 0.15 * C, 17 * R_, 0.875 * C, 1.5 * R_),
        P("lst_report_export", 0.15 * C, 17 * R_, 1.7 * C, 3.5 * R_),
        P("Cmdoffline", 1.025 * C, 17 * R_, 0.875 * C, 1.5 * R_),
        P("Frame_temp", 0.15 * C, 11.75 * R_, 1.7 * C, 2 * R_),
        P("Frame_light", 0.15 * C, 11.75 * R_, 1.7 * C, 2 * R_),
    };
    v[13].topAboveOwnHeight = true;
    return v;
}

// The temperature and light frames share one row of places: the set-point
// or the hours on the left, the state shape, the Enabled box wide enough for
// its caption, the two command buttons, and the arrow that brings the other
// frame to the front.
std::vector<Placement> FrameTempContents(const RightUnits& u) {
    const double C = u.FC, R_ = u.FR;
    return {
        P("cmd_nextwindows1", 1.59 * C, 0.15 * R_, 0.095 * C, 1.75 * R_),
        P("cmd_ontemp", 1.16 * C, 0.35 * R_, 0.42 * C, 0.7 * R_),
        P("cmd_frio", 1.16 * C, 1.1 * R_, 0.42 * C, 0.7 * R_),
        P("Chk_tenabled", 0.72 * C, 0.8 * R_, 0.44 * C, 0.4 * R_),
        P("shape_temp", 0.63 * C, 0.8 * R_, 0.07 * C, 0.42 * R_),
        P("Cmd_settemp", 0.37 * C, 0.75 * R_, 0.24 * C, 0.55 * R_),
        P("Label_C", 0.26 * C, 0.76 * R_, 0.1 * C, 0.4 * R_),
        P("txttemp", 0.05 * C, 0.75 * R_, 0.2 * C, 0.55 * R_),
    };
}

std::vector<Placement> FrameLightContents(const RightUnits& u) {
    const double C = u.FC, R_ = u.FR;
    return {
        P("cmd_nextwindows2", 1.59 * C, 0.15 * R_, 0.095 * C, 1.75 * R_),
        P("Chk_lenabled", 0.72 * C, 0.8 * R_, 0.44 * C, 0.4 * R_),
        P("cmd_luz", 1.16 * C, 0.35 * R_, 0.42 * C, 0.7 * R_),
        P("cmd_cyclepulse", 1.16 * C, 1.1 * R_, 0.42 * C, 0.7 * R_),
        P("shape_light", 0.63 * C, 0.8 * R_, 0.07 * C, 0.42 * R_),
        P("frm_pulse", 0.01 * C, 0.4 * R_, 0.62 * C, 1.55 * R_),
        P("Label_lon", 0.11 * C, 0.5 * R_, 0.18 * C, 0.5 * R_),
        P("Label_loff", 0.33 * C, 0.5 * R_, 0.18 * C, 0.5 * R_),
        P("txt_lon", 0.11 * C, 1 * R_, 0.135 * C, 0.5 * R_),
        P("txt_loff", 0.33 * C, 1 * R_, 0.135 * C, 0.5 * R_),
        P("Label_lbar", 0.26 * C, 1.03 * R_, 0.05 * C, 0.5 * R_),
        P("Label_lh", 0.49 * C, 1.03 * R_, 0.05 * C, 0.5 * R_),
    };
}

// The pulse settings, below the frame's own caption: the on and off minutes
// in their white and dark boxes with "min" below each, then the number of
// pulses. The captions below the boxes are one line of the 8-point font high.
std::vector<Placement> FramePulseContents(const RightUnits& u) {
    const double C = u.FC, R_ = u.FR;
    return {
        P("Label_ltimes", 0.43 * C, 1 * R_, 0.18 * C, 0.4 * R_),
        P("txt_pulsetimes", 0.5 * C, 0.55 * R_, 0.11 * C, 0.45 * R_),
        P("Label_X", 0.4 * C, 0.57 * R_, 0.06 * C, 0.4 * R_),
        P("Shape_white", 0.02 * C, 0.45 * R_, 0.18 * C, 1.05 * R_),
        P("Shape_dark", 0.21 * C, 0.45 * R_, 0.18 * C, 1.05 * R_),
        P("txt_pulseon", 0.06 * C, 0.55 * R_, 0.11 * C, 0.45 * R_),
        P("txt_pulseoff", 0.23 * C, 0.55 * R_, 0.11 * C, 0.45 * R_),
        P("Label21", 0.05 * C, 1 * R_, 0.14 * C, 0.4 * R_),
        P("Label19", 0.22 * C, 1 * R_, 0.14 * C, 0.4 * R_),
    };
}

bool GetsInsetRegion(const std::string& name) {
    return name.rfind("cmd_stack_pos_", 0) == 0 || name == "CmdPlay" || name == "CmdStop" || name == "Cmdreport" ||
           name == "Cmdoffline";
}

std::optional<PlotScale> ActivityScale(int plotType, double plateColOffset, double plateRowOffset) {
    switch (plotType) {
        case 0:
        case 1:
        case 3: return PlotScale{-30, 300, 300, -30};
        case 2: {
            double a = ToInt16(plateColOffset * 100), b = ToInt16(plateRowOffset * 100);
            return PlotScale{a - 150, b - 200, 2410, 1610};
        }
        default: return std::nullopt;
    }
}

PlotScale TraceScale(int rtBuffer) { return {0, 2100, static_cast<double>(rtBuffer) + 20, 0}; }

}  // namespace vondrel
