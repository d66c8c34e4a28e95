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

void CheckSizes(Frm_setup& w, const QString& name) {
    CheckWindowSizes(w, kSetupOverlaps, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), name);
    // The window keeps to the smallest size that holds its captions (it opens
    // at it), and holds them too where only one side is at its smallest.
    w.resize(800, 600);
    EXPECT_EQ(w.size(), w.minimumSize());
    for (const QSize size : {w.minimumSize(), QSize(w.minimumWidth(), 1080), QSize(1920, w.minimumHeight())}) {
        w.resize(size);
        EXPECT_EQ(NewLayoutFaults(&w, kSetupOverlaps, {}), "")
            << name.toStdString() << " at " << size.width() << "x" << size.height();
    }
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

TEST_F(SetupWindowFit, WithEveryAnnotationColumn) {
    Fresh();
    Frm_setup& w = Shown();
    w.chk_advance->setChecked(true);
    for (QCheckBox* global : {w.Chk_global_strain, w.Chk_global_orgnum, w.Chk_global_buffer})
        global->setChecked(false);
    CheckSizes(w, QStringLiteral("setup-annotation-columns"));
}

}  // namespace
}  // namespace vondrel::testing
