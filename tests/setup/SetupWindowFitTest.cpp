// Every caption of the setup window fits its control and no two controls
// meet, with and without the annotation frame, at the opening size and on the
// usual desktops; pictures at 1366 x 768 go to the screenshots folder.
#include "LayoutCheck.h"
#include "SetupFixture.h"

namespace vondrel::testing {
namespace {

// Setup window controls that are meant to lie on one another.
const std::vector<DesignedOverlap> kSetupOverlaps = {
    // Shapes are drawn outlines behind the controls they frame.
    {"shape_*", "*"},
    {"Shape*", "*"},
    // The annotation frame, when ticked, is laid over the group lists beside
    // the plate: it hides them while it is shown.
    {"frm_advance", "*"},
};

// Faults found and not yet mended; a fault not listed here fails the test.
const std::vector<const char*> kSetupKnown = {
    "Frameconfig/Chk_mn4:",
    "Frameconfig/Chk_mn5:",
    "Frameconfig/Chk_mn6:",
    "Frameconfig/Combosavecount:",
    "Frameconfig/Label_aqmode:",
    "Frameconfig/Label_buffer:",
    "Frameconfig/Label_dspinterval:",
    "Frameconfig/Label_sample:",
    "Frameconfig/Label_savecount and central/Frameconfig/Combosavecount overlap",
    "Frameconfig/Label_savecount:",
    "Frameconfig/chkcalib:",
    "PicPanel1/Cmd_clear:",
    "PicPanel1/Label_assigned:",
    "PicPanel1/Label_free:",
    "PicPanel1/Picwell and central/PicPanel1/Label19 overlap",
    "PicPanel1/Picwell and central/PicPanel1/lblnchannel overlap",
    "PicPanel1/cmd_annot_sync:",
    "PicPanel1/cmd_annot_web:",
    "PicPanel1/cmd_goset:",
    "PicPanel1/combogrup and central/PicPanel1/Cmd_clear overlap",
    "PicPanel1/frm_advance/Chk_global_orgnum:",
    "PicPanel1/frm_advance/Chk_global_strain and central/PicPanel1/frm_advance/txt_global_buffer overlap",
    "PicPanel1/frm_advance/adv_group_0 and central/PicPanel1/frm_advance/adv_group_1 overlap",
    "PicPanel1/frm_advance/adv_group_3 and central/PicPanel1/frm_advance/adv_group_4 overlap",
    "PicPanel1/frm_advance/cmd_askai and central/PicPanel1/frm_advance/cmd_searchDB overlap",
    "PicPanel1/frm_advance/cmd_fill and central/PicPanel1/frm_advance/cmd_setglobal overlap",
    "PicPanel1/frm_advance/cmd_setglobal:",
    "PicPanel1/frm_advance/combo_tool:",
    "PicPanel1/frm_advance/lbl_compound and central/PicPanel1/frm_advance/lbl_conc overlap",
    "PicPanel1/frm_advance/lbl_compound and central/PicPanel1/frm_advance/txt_compound_0 overlap",
    "PicPanel1/frm_advance/lbl_compound and central/PicPanel1/frm_advance/txt_conc_0 overlap",
    "PicPanel1/frm_advance/lbl_conc and central/PicPanel1/frm_advance/txt_compound_0 overlap",
    "PicPanel1/frm_advance/lbl_conc and central/PicPanel1/frm_advance/txt_conc_0 overlap",
    "PicPanel1/frm_advance/lbl_conc:",
    "PicPanel1/frm_advance/lbl_global and central/PicPanel1/frm_advance/Chk_global_buffer overlap",
    "PicPanel1/frm_advance/lbl_group and central/PicPanel1/frm_advance/adv_group_0 overlap",
    "PicPanel1/frm_advance/lbl_group and central/PicPanel1/frm_advance/txt_group_0 overlap",
    "PicPanel1/frm_advance/lbl_group:",
    "PicPanel1/frm_advance/txt_compound_0 and central/PicPanel1/frm_advance/txt_compound_1 overlap",
    "PicPanel1/frm_advance/txt_compound_0 and central/PicPanel1/frm_advance/txt_conc_0 overlap",
    "PicPanel1/frm_advance/txt_compound_1 and central/PicPanel1/frm_advance/txt_conc_1 overlap",
    "PicPanel1/frm_advance/txt_compound_2 and central/PicPanel1/frm_advance/txt_conc_2 overlap",
    "PicPanel1/frm_advance/txt_compound_3 and central/PicPanel1/frm_advance/txt_compound_4 overlap",
    "PicPanel1/frm_advance/txt_compound_3 and central/PicPanel1/frm_advance/txt_conc_3 overlap",
    "PicPanel1/frm_advance/txt_compound_4 and central/PicPanel1/frm_advance/txt_conc_4 overlap",
    "PicPanel1/frm_advance/txt_compound_5 and central/PicPanel1/frm_advance/txt_conc_5 overlap",
    "PicPanel1/frm_advance/txt_conc_0 and central/PicPanel1/frm_advance/txt_conc_1 overlap",
    "PicPanel1/frm_advance/txt_conc_3 and central/PicPanel1/frm_advance/txt_conc_4 overlap",
    "PicPanel1/frm_advance/txt_group_0 and central/PicPanel1/frm_advance/txt_group_1 overlap",
    "PicPanel1/frm_advance/txt_group_3 and central/PicPanel1/frm_advance/txt_group_4 overlap",
    "PicPanel1/Label_wellformat and central/PicPanel1/plate_option_0 overlap",
    "PicPanel1/plate_option_0 and central/PicPanel1/plate_option_2 overlap",
    "PicPanel1/plate_option_0:",
    "PicPanel1/Label_wellformat and central/PicPanel1/plate_option_1 overlap",
    "PicPanel1/plate_option_1 and central/PicPanel1/plate_option_3 overlap",
    "PicPanel1/plate_option_1:",
    "PicPanel1/Label_wellformat and central/PicPanel1/plate_option_2 overlap",
    "PicPanel1/plate_option_2:",
    "PicPanel1/Label_wellformat and central/PicPanel1/plate_option_3 overlap",
    "PicPanel1/plate_option_3:",
    "PicPanel2/Frame_setup/Cmb_organism and central/PicPanel2/Frame_setup/ComboDSP overlap",
    "PicPanel2/Frame_setup/Cmb_organism and central/PicPanel2/Frame_setup/lbl_dsp overlap",
    "PicPanel2/Frame_setup/Cmdsavepj and central/PicPanel2/Frame_setup/Cmdnewpj overlap",
    "PicPanel2/Frame_setup/ComboDSP:",
    "PicPanel2/Frame_setup/Label_acqlapse2:",
    "PicPanel2/Frame_setup/Label_acqlapse:",
    "PicPanel2/Frame_setup/lbl_dsp and central/PicPanel2/Frame_setup/ComboDSP overlap",
    "PicPanel2/Frame_setup/lbl_organism:",
    "PicPanel2/Frame_setup/txt_snr and central/PicPanel2/Frame_setup/lbl_snr overlap",
};

void CheckSizes(QWidget& w, const QString& name) {
    CheckWindowSizes(w, kSetupOverlaps, kSetupKnown, QStringLiteral(VONDREL_WINDOW_PICTURES), name);
}

using SetupWindowFit = SetupTest;

TEST_F(SetupWindowFit, WithoutAnnotation) {
    Fresh();
    CheckSizes(Shown(), QStringLiteral("setup"));
}

TEST_F(SetupWindowFit, WithAnnotation) {
    Fresh();
    Frm_setup& w = Shown();
    w.chk_advance->setChecked(true);
    CheckSizes(w, QStringLiteral("setup-annotation"));
}

}  // namespace
}  // namespace vondrel::testing
