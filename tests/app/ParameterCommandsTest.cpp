// The parameter commands through the command table: each opens its dialog,
// the simulation's messages reach the Lamm numerics dialog once the window
// has installed the hook, and the report goes to the clipboard.

#include <string>

#include "app/commands/CommandTable.h"
#include "app/params/ParameterCommands.h"
#include "app/window/TXLAWindow.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "models/ParamsBox.h"
#include "models/SimulationErrors.h"
#include "models/records/FitControl.h"
#include "models/records/LammSolverSettings.h"
#include "models/records/ModelParameters.h"
#include "support/TestSupport.h"

namespace {

class ParameterCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    Reset();
    AllocParameterVector();
  }
  void TearDown() override {
    Reset();
    HeadlessTest::TearDown();
  }
  // Also the hooks: a window of an earlier test may have installed them.
  static void Reset() {
    OpenLammNumericsDialog = [](platform::WindowHandle) {};
    ParametersCommandLinks = ParametersCommandLinksRecord{};
    LammSolverSettings = LammSolverSettingsRecord{};
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    InitParamsBoxTransfer(ParamsBoxTransfer);
  }
  std::string LastCaption() const {
    const auto shown = const_cast<ParameterCommandsTest*>(this)->backend().ShownForms();
    return shown.empty() ? std::string() : shown.back().caption;
  }
  TXLAWindow window{"w"};
};

TEST_F(ParameterCommandsTest, CommandsOpenTheirDialogsAndTheHookReachesTheLammDialog) {
  DispatchCommand(window, 611);
  EXPECT_EQ(LastCaption(), "Numerical Control of Lamm Equation Solution");
  DispatchCommand(window, 212);
  EXPECT_EQ(LastCaption(), "noninteracting species model");
  DispatchCommand(window, 240);
  EXPECT_EQ(LastCaption(), "set meniscus+limits");
  DispatchCommand(window, 529);
  EXPECT_EQ(LastCaption(), "Generate Prior Probability From Peaks");

  const std::size_t before = backend().ShownForms().size();
  OpenLammNumericsDialog(nullptr);  // nothing until the window installs it
  EXPECT_EQ(backend().ShownForms().size(), before);
  InstallParameterDialogHooks(window);
  OpenLammNumericsDialog(nullptr);
  EXPECT_EQ(backend().ShownForms().size(), before + 1);
  EXPECT_EQ(LastCaption(), "Numerical Control of Lamm Equation Solution");

  DispatchCommand(window, 204);
  const auto text = backend().ClipboardText();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->rfind("\n\ncomponent 1 included:\nM\t=\t50000.000000 g/Mol", 0), 0u);
}

}  // namespace
