// The browser window's layout figures, checked against a recording target
// that can stand in for the toolkit's own sizes.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "browser/BrowserLayout.h"
#include "platform/Numbers.h"

namespace vondrel::browser {
namespace {

// Keeps every place; reads back what was placed, except the sizes the test
// says the toolkit chose. Throws at the control named in `failAt`.
class RecordingTarget final : public LayoutTarget {
public:
    void Place(const std::string& name, double left, double top, std::optional<double> width,
               std::optional<double> height) override {
        if (name == failAt) throw std::runtime_error("no control " + name);
        Rect& r = places[name];
        r.left = left, r.top = top;
        if (width) r.width = *width;
        if (height) r.height = *height;
        if (auto h = toolkitHeight.find(name); h != toolkitHeight.end()) r.height = h->second;
        order.push_back(name);
    }
    Rect Read(const std::string& name) const override {
        auto it = places.find(name);
        if (it != places.end()) return it->second;
        auto h = toolkitHeight.find(name);
        return {0, 0, 0, h == toolkitHeight.end() ? 0 : h->second};
    }
    void Shape(const std::string& name, Region region) override { shapes[name] = region; }
    void BorderNone(const std::string& name) override { borderless.push_back(name); }

    std::map<std::string, Rect> places;
    std::map<std::string, double> toolkitHeight;
    std::map<std::string, Region> shapes;
    std::vector<std::string> order, borderless;
    std::string failAt;
};

void ExpectRect(const Rect& r, double left, double top, double width, double height, const char* what) {
    EXPECT_DOUBLE_EQ(r.left, left) << what;
    EXPECT_DOUBLE_EQ(r.top, top) << what;
    EXPECT_DOUBLE_EQ(r.width, width) << what;
    EXPECT_DOUBLE_EQ(r.height, height) << what;
}

TEST(BrowserLayout, UnitsRoundHalvesToEven) {
    struct Case {
        double w, h;
        int32_t m, t, cu, ru;
    };
    const Case cases[] = {
        {12000, 9000, 600, 225, 1800, 394},  // ru = 393.75
        {12010, 9000, 600, 225, 1802, 394},  // m = 600.5, cu = 1801.5
        {12030, 9020, 602, 226, 1804, 395},  // m = 601.5, t = 225.5, ru = 394.6
        {0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        BrowserUnits u = ComputeBrowserUnits(c.w, c.h);
        EXPECT_EQ(u.m, c.m) << c.w;
        EXPECT_EQ(u.t, c.t) << c.h;
        EXPECT_EQ(u.cu, c.cu) << c.w;
        EXPECT_EQ(u.ru, c.ru) << c.h;
    }
    EXPECT_THROW(ComputeBrowserUnits(3e9, 9000), NumericError);
}

TEST(BrowserLayout, WindowOfTwelveThousandByNineThousandTwips) {
    RecordingTarget t;
    t.toolkitHeight["combogrup"] = 330;
    ArrangeBrowserControls(12000, 9000, 15, t);
    // Single-precision figures: 0.1 ru + t and 8.7 ru + t.
    ExpectRect(t.places["PicPanel1"], 600, static_cast<float>(264.4), 7200, 3152, "PicPanel1");
    ExpectRect(t.places["PicPanel2"], 600, static_cast<float>(3652.8), 10800, 4531, "PicPanel2");
    // pu 120, pr 26, qu 120, qr 30.
    ExpectRect(t.places["Listpj"], 15, 26, 450, 175.5, "Listpj");
    ExpectRect(t.places["Picreal"], 183, 15, 450, 255, "Picreal");
    ExpectRect(t.places["framecanal"], 15, 15, 162, 270, "framecanal");
    ExpectRect(t.places["Cmd_main"], static_cast<float>(5.12 * 1800 + 600), static_cast<float>(7.2 * 394 + 225),
               1530, static_cast<float>(1.2 * 394), "Cmd_main");
    // Tracking and the cloud button always share one rectangle.
    ExpectRect(t.places["Cmd_cloud"], t.places["cmd_track"].left, t.places["cmd_track"].top,
               t.places["cmd_track"].width, t.places["cmd_track"].height, "Cmd_cloud");
    // The page strip: the window grid's lefts in the panel's pixels, right under the picture.
    EXPECT_DOUBLE_EQ(t.places["Frame_bisize"].left, (4.5 * 1800 + 600 - 600) / 15.0);
    EXPECT_DOUBLE_EQ(t.places["scrollpage"].left, static_cast<float>((5.075 * 1800) / 15.0));
    EXPECT_DOUBLE_EQ(t.places["Frame_bisize"].top, 270);
    EXPECT_EQ(t.shapes["Cmd_report"], Region::RoundWindowInsetPixels);
    EXPECT_EQ(t.shapes["cmd_lupa"], Region::RoundWindowInset);
    EXPECT_EQ(t.shapes["PicPanel2"], Region::RoundWindow);
    // The details column comes first, the editor's lists last.
    EXPECT_EQ(t.order.front(), "lbl_pj_title");
    EXPECT_EQ(t.order.back(), "lstchgrup2");
}

TEST(BrowserLayout, ChainedTopsFollowTheSizesReadBack) {
    RecordingTarget designed, tall;
    designed.toolkitHeight["combogrup"] = 330;
    tall.toolkitHeight["combogrup"] = 530;
    ArrangeBrowserControls(12000, 9000, 15, designed);
    ArrangeBrowserControls(12000, 9000, 15, tall);
    const double ru = 394;
    EXPECT_DOUBLE_EQ(designed.places["lstgrup"].top, static_cast<float>(1.5 * ru + 330));
    for (const char* name : {"lstgrup", "Pic_status", "fmranalizar", "Combofila"})
        EXPECT_NEAR(tall.places[name].top - designed.places[name].top, 200, 0.01) << name;
    EXPECT_NEAR(designed.places["fmranalizar"].top - designed.places["Pic_status"].top, 0.65 * ru, 0.01);
    EXPECT_DOUBLE_EQ(designed.places["Pic_status"].height, static_cast<float>(0.25 * ru));

    // A list cut to whole lines pulls the selectors' row and the status strip
    // up with it.
    RecordingTarget cut;
    cut.toolkitHeight["combogrup"] = 330;
    cut.toolkitHeight["lstgrup"] = 2100;
    ArrangeBrowserControls(12000, 9000, 15, cut);
    EXPECT_NEAR(cut.places["Combofila"].top, cut.places["lstgrup"].top + 2100 + 0.05 * ru, 0.5);
    EXPECT_NEAR(cut.places["Pic_status"].top, cut.places["lstgrup"].top + 2100 + 0.9 * ru, 0.5);
}

TEST(BrowserLayout, TheChannelSelectorsStayInsideTheirFrameAndCoverNoControl) {
    RecordingTarget t;
    for (const char* combo : {"combogrup", "Combofila", "Combocol"}) t.toolkitHeight[combo] = 330;
    ArrangeBrowserControls(12000, 9000, 15, t);
    const auto& frame = t.places["framecanal"];
    const auto overlaps = [](const auto& a, const auto& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    for (const char* name : {"Combofila", "Combocol", "txtsub", "lblcanal"}) {
        const auto& r = t.places[name];
        EXPECT_GE(r.top, 0) << name;
        EXPECT_LE(r.top + r.height, frame.height * 15) << name;  // the frame in pixels, its children in twips
        for (const char* other : {"lstgrup", "Pic_status", "fmranalizar", "combogrup", "Cmd_leegroups"})
            EXPECT_FALSE(overlaps(r, t.places[other])) << name << " covers " << other;
    }
}

TEST(BrowserLayout, ControlsThatMeetShareNoTwipWhateverTheComboHeight) {
    const auto overlaps = [](const Rect& a, const Rect& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    struct Case {
        double w, h, combo;
    };
    for (const Case& c : {Case{15000, 9900, 330}, Case{15000, 9900, 530}, Case{20490, 11520, 450}}) {
        RecordingTarget t;
        for (const char* combo : {"combogrup", "Combofila", "Combocol", "Combo_sets", "combogrup2", "cmb_modeanalisis"})
            t.toolkitHeight[combo] = c.combo;
        ArrangeBrowserControls(c.w, c.h, 15, t);
        // Each group of siblings, none meeting another.
        const std::vector<std::vector<const char*>> siblings = {
            {"lbl_orden", "lbl_date", "lblproject", "txt_search", "cmd_lupa", "Listpj"},
            {"Cmd_barplot", "Cmd_gridplot", "Cmd_lineplot", "cmd_track", "chk_bmp", "lbl_tagplot", "List_tags"},
            {"Cmd_clear", "cmdcancelgrups", "lblset", "Combo_sets", "cmd_goset", "combogrup2", "lblgrup2",
             "lblchgrup2", "lstgrup2", "lstchgrup2"},
        };
        for (const auto& group : siblings)
            for (size_t i = 0; i < group.size(); ++i)
                for (size_t j = i + 1; j < group.size(); ++j)
                    EXPECT_FALSE(overlaps(t.places[group[i]], t.places[group[j]]))
                        << group[i] << " meets " << group[j] << " at " << c.w << "x" << c.h << ", combo " << c.combo;
        // The analysis strip holds its mode box.
        const Rect& mode = t.places["cmb_modeanalisis"];
        EXPECT_LE(mode.top + mode.height, t.places["fmranalizar"].height) << c.combo;
    }
}

TEST(BrowserLayout, AFailureEndsTheLayoutWhereItHappened) {
    RecordingTarget t;
    t.failAt = "PicPanel2";
    EXPECT_THROW(ArrangeBrowserControls(12000, 9000, 15, t), std::runtime_error);
    EXPECT_TRUE(t.places.count("Listpj"));
    EXPECT_FALSE(t.places.count("PicPanel2"));
    EXPECT_FALSE(t.places.count("Picreal"));
}

}  // namespace
}  // namespace vondrel::browser
