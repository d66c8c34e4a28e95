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

// Faults found and not yet mended: at its opening size (1010 x 740) the
// bottom row of buttons reaches 2 pixels past the window's edge. A fault not
// listed here fails the test.
const std::vector<const char*> kPanelKnown = {"Command2:", "Command21:", "Command22:", "Command24:"};

TEST_F(PanelWindowFit, TechnicalPanel) {
    auto panel = std::make_unique<Frm_Vetrol>(techpanel::PanelVariant::Mini);
    CheckWindowSizes(*panel, {}, kPanelKnown, QStringLiteral(VONDREL_WINDOW_PICTURES), QStringLiteral("technical-panel"));
}

}  // namespace
}  // namespace vondrel::testing
