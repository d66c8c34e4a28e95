#include "browser/BrowserLayout.h"

#include <algorithm>

#include "platform/Numbers.h"

namespace vondrel::browser {

namespace {

// A factor times a unit is worked out in double precision and stored as a
// single-precision figure.
double F(double x) { return static_cast<double>(static_cast<float>(x)); }
int32_t R(double x) { return ToInt32(x); }

}  // namespace

BrowserUnits ComputeBrowserUnits(double widthTwips, double heightTwips) {
    BrowserUnits u;
    u.W = R(widthTwips);
    u.H = R(heightTwips);
    u.W9 = R(u.W * 0.9);
    u.H9 = R(u.H * 0.9);
    u.m = R(u.W * 0.05);
    u.t = R(u.H * 0.025);
    u.cu = R(u.W9 / 6.0);
    u.ru = R((static_cast<double>(u.H9) - u.t) / 20.0);
    return u;
}

PanelUnits ComputePanelUnits(double widthTwips, double heightTwips, double tppx, double tppy, double columns,
                             double rows) {
    PanelUnits p;
    p.across = R(static_cast<double>(IntDiv(widthTwips, tppx)) / columns);
    p.down = R(static_cast<double>(IntDiv(heightTwips, tppy)) / rows);
    return p;
}

void ArrangeBrowserControls(double widthTwips, double heightTwips, double tpp, LayoutTarget& t) {
    const BrowserUnits u = ComputeBrowserUnits(widthTwips, heightTwips);
    const double m = u.m, top = u.t, cu = u.cu, ru = u.ru;
    auto place = [&t](const char* name, double l, double tp, std::optional<double> w = std::nullopt,
                      std::optional<double> h = std::nullopt) { t.Place(name, l, tp, w, h); };

    // The details column and its two buttons (window twips).
    place("lbl_pj_title", F(4.25 * cu + m), F(0.2 * ru + top), F(1.75 * cu));
    // The recording's title may take two lines, down to the details box.
    place("lbl_subpj_title", F(4.25 * cu + m), F(0.9 * ru + top), F(1.75 * cu), F(0.8 * ru));
    place("txt_pj_details", F(4.25 * cu + m), F(1.7 * ru + top), F(1.75 * cu), F(2.3 * ru));
    t.BorderNone("txt_pj_details");
    place("Txt_description", F(4.25 * cu + m), F(4.5 * ru + top), F(1.75 * cu), F(2.5 * ru));
    place("Cmd_report", F(4.22 * cu + m), F(7.2 * ru + top), F(0.85 * cu), F(1.2 * ru));
    t.Shape("Cmd_report", Region::RoundWindowInsetPixels);
    place("Cmd_main", F(5.12 * cu + m), F(7.2 * ru + top), F(0.85 * cu), F(1.2 * ru));
    t.Shape("Cmd_main", Region::RoundWindowInsetPixels);

    // The project panel and its contents (pixels of the panel).
    place("PicPanel1", m, F(0.1 * ru + top), 4 * cu, 8 * ru);
    t.Shape("PicPanel1", Region::RoundWindow);
    const Rect p1 = t.Read("PicPanel1");
    const PanelUnits pp = ComputePanelUnits(p1.width, p1.height, tpp, tpp, 4, 8);
    const double pu = pp.across, pr = pp.down;
    place("lbl_orden", F(0.15 * pu), F(0.3 * pr), F(0.1 * pu));
    place("lbl_date", F(0.25 * pu), F(0.3 * pr), F(0.35 * pu));
    place("lblproject", F(0.75 * pu), F(0.3 * pr), F(0.5 * pu));
    // The search box and its button end above the list, which starts at one pr.
    place("txt_search", F(2.75 * pu), F(0.275 * pr), F(0.65 * pu), F(0.65 * pr));
    place("cmd_lupa", F(3.4 * pu), F(0.15 * pr), F(0.5 * pu), F(0.8 * pr));
    t.Shape("cmd_lupa", Region::RoundWindowInset);
    place("Listpj", F(0.125 * pu), pr, F(3.75 * pu), F(6.75 * pr));

    // The plot panel (pixels of the panel).
    place("PicPanel2", m, F(8.7 * ru + top), 6 * cu, F(11.5 * ru));
    t.Shape("PicPanel2", Region::RoundWindow);
    const Rect p2 = t.Read("PicPanel2");
    const PanelUnits qp = ComputePanelUnits(p2.width, p2.height, tpp, tpp, 6, 10);
    const double qu = qp.across, qr = qp.down;
    place("Picreal", F(1.525 * qu), F(0.5 * qr), F(3.75 * qu), F(8.5 * qr));
    t.BorderNone("Picreal");
    place("frame_plotbutton", F(5.3 * qu), F(0.5 * qr), F(0.45 * qu), F(8.5 * qr));
    t.BorderNone("frame_plotbutton");

    // The plot buttons (twips of frame_plotbutton), as wide as the frame
    // leaves them; tracking and the cloud button share one place. The
    // tracking's "->.bmp" box ends where the tags' caption begins.
    place("Cmd_barplot", F(0.1 * cu), F(0.1 * ru), F(0.3 * cu), ru);
    place("Cmd_gridplot", F(0.1 * cu), F(1.2 * ru), F(0.3 * cu), ru);
    place("Cmd_lineplot", F(0.1 * cu), F(2.3 * ru), F(0.3 * cu), ru);
    place("cmd_track", F(0.1 * cu), F(3.4 * ru), F(0.3 * cu), ru);
    place("Cmd_cloud", F(0.1 * cu), F(3.4 * ru), F(0.3 * cu), ru);
    place("chk_bmp", F(0.05 * cu), F(4.5 * ru), F(0.4 * cu), F(0.5 * ru));
    place("lbl_tagplot", F(0.1 * cu), F(5 * ru), F(0.35 * cu));
    place("List_tags", F(0.1 * cu), F(5.5 * ru), F(0.3 * cu), F(2.5 * ru));

    // The bin-size and page strip: the window-grid lefts turned into the
    // plot panel's pixels, right under the plot picture.
    const Rect pic = t.Read("Picreal");
    const double stripTop = pic.top + pic.height;
    auto strip = [&](double windowLeft) { return F((windowLeft - p2.left) / tpp); };
    place("Frame_bisize", strip(4.5 * cu + m), stripTop);
    t.BorderNone("Frame_bisize");
    // The page box and its scroll bar are as high as the bin-size strip, so
    // that they end inside the panel's rounded frame.
    const double stripHeight = t.Read("Frame_bisize").height;
    place("Label_page", strip(4.525 * cu + m), stripTop, F(0.25 * cu / tpp));
    place("Txtpage", strip(4.825 * cu + m), stripTop, F(0.2 * cu / tpp), stripHeight);
    place("scrollpage", strip(5.075 * cu + m), stripTop, F(0.2 * cu / tpp), stripHeight);

    // Channel and group selection (twips of framecanal). The lists and the
    // analysis strip hang from the sizes the toolkit gave the controls above
    // them.
    place("framecanal", F(0.125 * qu), F(0.5 * qr), F(1.35 * qu), 9 * qr);
    t.BorderNone("framecanal");
    place("Cmd_leegroups", F(0.05 * cu), F(0.15 * ru), F(0.65 * cu), F(1.25 * ru));
    t.Shape("Cmd_leegroups", Region::RoundWindowInsetPixels);
    place("cmdchannels", F(0.7 * cu), F(0.15 * ru), F(0.65 * cu), F(1.25 * ru));
    t.Shape("cmdchannels", Region::RoundWindowInsetPixels);
    place("combogrup", F(0.05 * cu), F(1.5 * ru), F(1.3 * cu));
    // The list gives the bottom of its designed height to the channel
    // selectors' row, so that row stays inside the frame.
    place("lstgrup", F(0.05 * cu), F(1.5 * ru + t.Read("combogrup").height), F(1.3 * cu), F(5.0 * ru));
    place("lstgrup_plot", F(0.05 * cu), F(1.5 * ru), F(1.3 * cu), F(6.9 * ru));
    const Rect statusSized = t.Read("Pic_status");
    place("Pic_status", statusSized.left, statusSized.top, F(1.3 * cu), F(0.25 * ru));
    const Rect list = t.Read("lstgrup");
    // The channel selectors, a row under the list.
    const double selectorTop = F(list.top + list.height + 0.05 * ru);
    place("Combofila", F(0.05 * cu), selectorTop, F(0.3 * cu));
    place("Combocol", F(0.35 * cu), selectorTop, F(0.3 * cu));
    place("txtsub", F(0.65 * cu), selectorTop, F(0.2 * cu), F(0.6 * ru));
    place("lblcanal", F(0.9 * cu), selectorTop, F(0.45 * cu), F(0.6 * ru));
    const Rect row = t.Read("Combofila");
    place("Pic_status", F(0.05 * cu), F(std::max(list.top + list.height + 0.9 * ru, row.top + row.height)));
    // The analysis strip is one row high, or as high as its mode box needs.
    const Rect analyzeSized = t.Read("fmranalizar");
    const double modeHeight = t.Read("cmb_modeanalisis").height;
    place("fmranalizar", analyzeSized.left, analyzeSized.top, F(1.3 * cu), F(std::max<double>(ru, modeHeight + 0.2 * ru)));
    place("fmranalizar", F(0.05 * cu), F(t.Read("Pic_status").top + 0.65 * ru));
    // The analysis strip's own contents (twips of fmranalizar).
    place("cmb_modeanalisis", F(0.02 * cu), F(0.1 * ru), F(0.45 * cu));
    place("frmtxt_threshold", F(0.5 * cu), F(0.1 * ru), F(0.25 * cu), F(0.7 * ru));
    place("Cmd_analyze", F(0.8 * cu), F(0.05 * ru), F(0.48 * cu), F(0.9 * ru));

    // The group editor's panel (twips of Framegrup), in the same place.
    place("Framegrup", F(0.125 * qu), F(0.5 * qr), F(1.35 * qu), F(8.5 * qr));
    t.BorderNone("Framegrup");
    // The longer caption of the two buttons gets the wider place.
    place("Cmd_clear", F(0.05 * cu), F(0.25 * ru), F(0.55 * cu), ru);
    place("cmdcancelgrups", F(0.6 * cu), F(0.25 * ru), F(0.75 * cu), ru);
    // The set shapes' box takes the row beside its caption ("12x24
    // [RowsxColumn]" is long); "Go..." stands under its right end.
    place("lblset", F(0.05 * cu), F(1.5 * ru), F(0.2 * cu), F(0.6 * ru));
    place("Combo_sets", F(0.3 * cu), F(1.5 * ru), F(1.0 * cu));
    const Rect sets = t.Read("Combo_sets");
    const double goTop = F(sets.top + sets.height + 0.1 * ru);
    place("cmd_goset", F(0.95 * cu), goTop, F(0.35 * cu), F(0.7 * ru));
    place("combogrup2", F(0.05 * cu), F(std::max(2.5 * ru, goTop + 0.8 * ru)), F(1.25 * cu), 6 * ru);
    // The assigned and free lists side by side under the group list.
    const Rect groups = t.Read("combogrup2");
    const double captionTop = F(groups.top + groups.height + 0.1 * ru);
    const double listTop = F(captionTop + 0.5 * ru);
    const double listHeight = F(9.2 * ru - (listTop));
    // Each list's caption may reach over the gap to the next list.
    place("lblgrup2", F(0.05 * cu), captionTop, F(0.65 * cu), F(0.5 * ru));
    place("lblchgrup2", F(0.7 * cu), captionTop, F(0.65 * cu), F(0.5 * ru));
    place("lstgrup2", F(0.05 * cu), listTop, F(0.6 * cu), listHeight > 0 ? listHeight : 0);
    place("lstchgrup2", F(0.7 * cu), listTop, F(0.6 * cu), listHeight > 0 ? listHeight : 0);
}

}  // namespace vondrel::browser
