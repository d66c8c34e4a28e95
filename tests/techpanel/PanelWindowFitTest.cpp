// Every caption of the technical panel fits its control and no two controls
// meet, at the opening size and on the usual desktops; a picture at
// 1366 x 768 goes to the screenshots folder.
#include <gtest/gtest.h>

#include <memory>

#include "LayoutCheck.h"
#include "WindowFixture.h"
#include "techpanel/Frm_Vetrol.h"

namespace vondrel::testing {
namespace {

using PanelWindowFit = WindowTest;

TEST_F(PanelWindowFit, TechnicalPanel) {
    auto panel = std::make_unique<Frm_Vetrol>(techpanel::PanelVariant::Mini);
    CheckWindowSizes(*panel, {}, {}, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("technical-panel"));
}

}  // namespace
}  // namespace vondrel::testing
