#include "setup/SetupLayout.h"

#include <string>
#include <utility>

#include "platform/Numbers.h"

namespace vondrel::setup {

namespace {
Placement P(std::string name, double left, double top, std::optional<double> width = std::nullopt,
            std::optional<double> height = std::nullopt) {
    return Placement{std::move(name), left, top, width, height, false};
}
}  // namespace

AdvanceUnits ComputeAdvanceUnits(double frameWidthPixels, double frameHeightPixels, double tppx, double tppy) {
    return {RoundHalfEven(tppx * frameWidthPixels), RoundHalfEven(tppy * frameHeightPixels)};
}

std::vector<Placement> PlateAndAdvancePlaces(const LeftUnits& u) {
    const double pu = u.LC, pr = u.LR;
    return {P("Picwell", 0.125 * pu, 1.75 * pr, 3.75 * pu, 12.65 * pr),
            P("frm_advance", 0.05 * pu, 10 * pr, 3.9 * pu, 9 * pr)};
}

std::vector<Placement> AdvanceContents(const AdvanceUnits& u) {
    const double aw = u.aw, ah = u.ah;
    return {
        P("Shape3", 0.025 * aw, 0.025 * ah, 0.95 * aw, 0.95 * ah),
        P("Shape4", 0.75 * aw, 0.075 * ah, 0.2 * aw, 0.85 * ah),
        P("lbl_global", 0.765 * aw, 0.1 * ah, 0.17 * aw, 0.1 * ah),
        P("Chk_global_buffer", 0.765 * aw, 0.2 * ah, 0.17 * aw, 0.1 * ah),
        P("txt_global_buffer", 0.765 * aw, 0.3 * ah, 0.17 * aw, 0.1 * ah),
        P("Chk_global_strain", 0.765 * aw, 0.4 * ah, 0.17 * aw, 0.1 * ah),
        P("txt_global_strain", 0.765 * aw, 0.5 * ah, 0.17 * aw, 0.1 * ah),
        // "[org/well]" takes a little of its number box, which holds two digits.
        P("Chk_global_orgnum", 0.765 * aw, 0.6 * ah, 0.105 * aw, 0.1 * ah),
        P("txt_global_orgnum", 0.87 * aw, 0.6 * ah, 0.065 * aw, 0.1 * ah),
        P("cmd_askai", 0.765 * aw, 0.75 * ah, 0.17 * aw, 0.085 * ah),
        // Just below "Ask AI", not over its lower edge.
        P("cmd_searchDB", 0.765 * aw, 0.835 * ah, 0.17 * aw, 0.085 * ah),
        // The chooser reaches left to the grid's option column and into the
        // value box far enough to show "Compound".
        P("combo_tool", 0.03 * aw, 0.1 * ah, 0.13 * aw),
        P("txt_global", 0.16 * aw, 0.1 * ah, 0.365 * aw, 0.07 * ah),
        P("cmd_fill", 0.525 * aw, 0.1 * ah, 0.1 * aw, 0.07 * ah),
        P("cmd_setglobal", 0.625 * aw, 0.1 * ah, 0.1 * aw, 0.07 * ah),
        P("cmd_up", 0.695 * aw, 0.3 * ah, 0.03 * aw, 0.1 * ah),
        P("Shape1", 0.695 * aw, 0.4 * ah, 0.03 * aw, 0.4 * ah),
        P("cmd_down", 0.695 * aw, 0.8 * ah, 0.03 * aw, 0.1 * ah),
    };
}

std::vector<Placement> LeftPanelSetupContents(const LeftUnits& u) {
    const double pu = u.LC, pr = u.LR;
    return {
        P("lbl_listgrupos", 0.225 * pu, 0.595 * pr, 0.5 * pu),
        P("plate_option_0", 1.025 * pu, 0.515 * pr, 0.5 * pu),
        P("plate_option_1", 1.525 * pu, 0.515 * pr, 0.5 * pu),
        P("plate_option_2", 1.025 * pu, 1.015 * pr, 0.5 * pu),
        P("plate_option_3", 1.525 * pu, 1.015 * pr, 0.5 * pu),
        // Right of the station buttons, ending where its right-aligned caption
        // always ended.
        P("Label_wellformat", 2.025 * pu, 0.675 * pr, 0.375 * pu, 0.5 * pr),
        P("Combowell", 2.5 * pu, 0.675 * pr, 0.5 * pu),
        P("cmd_goset", 3.05 * pu, 0.525 * pr, 0.75 * pu, 0.9 * pr),
        P("Label_groupsname", 0.25 * pu, 14.475 * pr, pu, 0.5 * pr),
        P("combogrup", 0.25 * pu, 15 * pr, 1.75 * pu, 3.5 * pr),
        // Ends on the group list's top edge.
        P("Cmd_clear", 1.7 * pu, 14.475 * pr, 0.3 * pu, 0.525 * pr),
        // Just below the plate (which ends at row 14.4).
        P("Label19", 3.205 * pu, 14.4 * pr, 0.3 * pu, 0.5 * pr),
        P("lblnchannel", 3.525 * pu, 14.4 * pr, 0.3 * pu, 0.5 * pr),
        P("cmd_annot_web", 3.275 * pu, 15.5 * pr, 0.75 * pu, 0.5 * pr),
        P("txt_annot_id", 3.275 * pu, 16.25 * pr, 0.45 * pu, 0.5 * pr),
        P("cmd_annot_sync", 3.725 * pu, 16.25 * pr, 0.3 * pu, 0.5 * pr),
        // The channel lists and their buttons, in the free place between
        // combogrup and the annotation buttons (rows 14.475 to 18.5); each
        // label reaches right to the next control of its row.
        P("Label_assigned", 2.05 * pu, 14.475 * pr, 0.67 * pu, 0.5 * pr),
        P("lstgrup", 2.05 * pu, 15 * pr, 0.45 * pu, 3.5 * pr),
        P("Command12", 2.52 * pu, 15.5 * pr, 0.2 * pu, 0.9 * pr),
        P("Command13", 2.52 * pu, 16.6 * pr, 0.2 * pu, 0.9 * pr),
        P("Label_free", 2.72 * pu, 14.475 * pr, 0.485 * pu, 0.5 * pr),
        P("lstchgrup", 2.75 * pu, 15 * pr, 0.45 * pu, 3.5 * pr),
    };
}

std::vector<Placement> WorkingFolderPlaces(const WindowUnits& u) {
    const double cu = u.WC, ru = u.WR, m = u.MH, t = u.MT;
    return {P("Label_workingfolder", 0.225 * cu + m, 18.25 * ru + t, 0.5 * cu),
            P("Txtfolder", 0.725 * cu + m, 18.25 * ru + t, 4 * cu)};
}

std::vector<FramedPlacement> RightPanelSetupContents(const RightUnits& u) {
    const double qu = u.RC, qr = u.RR, fu = u.FC, fr = u.FR;
    auto pix = [](Placement p) { return FramedPlacement{std::move(p), false}; };
    auto twp = [](Placement p) { return FramedPlacement{std::move(p), true}; };
    return {
        pix(P("lbl_project", 0.12 * qu, 0.5 * qr, 1.5 * qu, 0.75 * qr)),
        pix(P("chk_advance", 0.15 * qu, 11 * qr, 1.75 * qu, qr)),
        pix(P("Command_main", 0.12 * qu, 12.5 * qr, 1.75 * qu, 1.35 * qr)),
        pix(P("Cmdoffline", 0.12 * qu, 14 * qr, 1.75 * qu, 1.35 * qr)),
        pix(P("frm_project", 0, 2 * qr, 1.95 * qu, 8.75 * qr)),
        twp(P("Label16", 0.15 * fu, 0.35 * fr, 1.65 * fu, 0.75 * fr)),
        twp(P("List_project", 0.15 * fu, 1.15 * fr, 1.65 * fu, 6.5 * fr)),
        twp(P("Cmd_cancel", 0.15 * fu, 7.5 * fr, 1.65 * fu, 1.1 * fr)),
        pix(P("Frame_setup", 0.05 * qu, 1.75 * qr, 1.9 * qu, 9.25 * qr)),
        twp(P("txtprj", 0.075 * fu, 0.35 * fr, 1.75 * fu, 0.75 * fr)),
        twp(P("cmdLoad", 0.075 * fu, 1.35 * fr, 0.583 * fu, 0.9 * fr)),
        twp(P("Cmdsavepj", 0.658 * fu, 1.35 * fr, 0.583 * fu, 0.9 * fr)),
        twp(P("Cmdnewpj", 1.241 * fu, 1.35 * fr, 0.583 * fu, 0.9 * fr)),
        twp(P("Label_acqlapse", 0.075 * fu, 2.75 * fr, 0.5 * fu, 0.5 * fr)),
        twp(P("Txtlapse", 0.6 * fu, 2.75 * fr, 0.365 * fu, 0.5 * fr)),
        twp(P("Label_acqlapse2", fu, 2.75 * fr, 0.3 * fu, 0.5 * fr)),
        twp(P("Lbl_keywords", 0.075 * fu, 3.5 * fr, 0.35 * fu, 0.5 * fr)),
        twp(P("Txt_description", 0.6 * fu, 3.5 * fr, 1.2 * fu, 2 * fr)),
        twp(P("shape_square", 0.075 * fu, 6.25 * fr, 1.75 * fu, 3 * fr)),
        twp(P("txt_detection", 0.075 * fu, 6.25 * fr, 1.75 * fu, 0.5 * fr)),
        twp(P("lbl_organism", 0.15 * fu, 7 * fr, 0.3 * fu, 0.5 * fr)),
        twp(P("Cmb_organism", 0.5 * fu, 7 * fr, 0.85 * fu)),
        twp(P("txt_snr", 1.375 * fu, 7 * fr, 0.2 * fu, 0.6 * fr)),
        // Right of "SNR" rather than over its right edge.
        twp(P("lbl_snr", 1.575 * fu, 7 * fr, 0.2 * fu, 0.6 * fr)),
        // Ends where the method box begins.
        twp(P("lbl_dsp", 0.15 * fu, 8.1 * fr, 0.35 * fu, 0.5 * fr)),
        twp(P("ComboDSP", 0.5 * fu, 8.1 * fr, 1.25 * fu)),
        pix(P("Frame_advanced", 0.13 * qu, 16.5 * qr, 1.75 * qu, 2.5 * qr)),
        twp(P("Check_saverealtime", 0.075 * fu, 0.75 * fr, 0.7 * fu, 0.5 * fr)),
        twp(P("chktemp", fu, 0.5 * fr, 0.7 * fu, 0.5 * fr)),
        twp(P("chklight", fu, 1.15 * fr, 0.7 * fu, 0.5 * fr)),
        twp(P("lbl_message", 0.075 * fu, static_cast<double>(static_cast<int32_t>(RoundHalfEven(2 * fr))), 1.5 * fu,
              0.5 * fr)),
    };
}

Placement FrameconfigPlace(const WindowUnits& u) {
    return P("Frameconfig", 0.5 * u.MH, 19.625 * u.WR + u.MT, 6.05 * u.WC + 0.5 * u.MH, 1.6 * u.WR);
}

std::vector<Placement> FrameconfigContents(const WindowUnits& u) {
    // One row of labelled boxes, in column units of the window, each label
    // wide enough for its caption from the smallest window on; the tool
    // boxes in two rows at the right.
    const double c = u.WC, r = u.WR;
    return {
        P("Label_aqmode", 0.05 * c, 0.45 * r, 0.4 * c, 0.6 * r),
        P("Combo_aqmode", 0.45 * c, 0.4 * r, 0.6 * c),
        P("Label_sample", 1.1 * c, 0.45 * r, 0.42 * c, 0.6 * r),
        P("Txtsample", 1.52 * c, 0.4 * r, 0.28 * c, 0.7 * r),
        P("Label_buffer", 1.85 * c, 0.45 * r, 0.55 * c, 0.6 * r),
        P("Txtbuffer", 2.4 * c, 0.4 * r, 0.28 * c, 0.7 * r),
        P("Label_dspinterval", 2.73 * c, 0.45 * r, 0.43 * c, 0.6 * r),
        P("Txt_dspinterval", 3.16 * c, 0.4 * r, 0.28 * c, 0.7 * r),
        P("Label_savecount", 3.49 * c, 0.45 * r, 0.65 * c, 0.6 * r),
        P("Combosavecount", 4.14 * c, 0.4 * r, 0.35 * c),
        P("chkcalib", 4.55 * c, 0.1 * r, 0.8 * c, 0.6 * r),
        P("Chk_mn4", 4.55 * c, 0.8 * r, 0.45 * c, 0.6 * r),
        P("Chk_mn5", 5.0 * c, 0.8 * r, 0.45 * c, 0.6 * r),
        P("Chk_mn6", 5.45 * c, 0.8 * r, 0.45 * c, 0.6 * r),
    };
}

}  // namespace vondrel::setup
