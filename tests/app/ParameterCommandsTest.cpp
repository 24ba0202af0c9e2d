// The parameter commands through the command table: each opens its dialog,
// the simulation's messages reach the Lamm numerics dialog once the window
// has installed the hook, and the report goes to the clipboard.

#include <algorithm>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/commands/CommandTable.h"
#include "app/params/ParameterCommands.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "models/ErrorProjections.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "models/ParamsBox.h"
#include "models/SimulationErrors.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "support/TestSupport.h"

namespace {

class ParameterCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    Reset();
    WireAsTheProgramStartDoes(window);
    AllocParameterVector();
  }
  void TearDown() override {
    Reset();
    ContourRefit = SimplexWithRestarts;
    ModelSelection = ModelSelectionRecord{};
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

  // The window's start points the hook at the Lamm dialog.
  const std::size_t before = backend().ShownForms().size();
  OpenLammNumericsDialog(nullptr);
  EXPECT_EQ(backend().ShownForms().size(), before + 1);
  EXPECT_EQ(LastCaption(), "Numerical Control of Lamm Equation Solution");

  DispatchCommand(window, 204);
  const auto text = backend().ClipboardText();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->rfind("\n\ncomponent 1 included:\nM\t=\t50000.000000 g/Mol", 0), 0u);
}

TEST_F(ParameterCommandsTest, ContourCommandsAskTheirRangesAndWriteTheMap) {
  ScratchFolder folder;
  int refits = 0;
  ContourRefit = [&refits](platform::WindowHandle) {
    ++refits;
    return 0.01f;
  };
  const auto entries = [this](std::initializer_list<const char*> texts) {
    for (const char* text : texts) backend().ScriptEntry(text);
  };
  const auto lines = [](const std::string& path) {
    const std::string text = ReadWholeFile(path);
    return std::count(text.begin(), text.end(), '\n');
  };
  // s from 5 down to 3 with a positive increment: no map, no file.
  entries({"5", "3", "0.5"});
  DispatchCommand(window, 241);
  EXPECT_EQ(refits, 0);
  EXPECT_TRUE(LogLinesWith("file dialog").empty());

  // s 3 .. 4 by 0.5 and M 50000 .. 60000 by 10000, the full grid (level 0).
  entries({"3", "4", "0.5", "50000", "60000", "10000", "0", "3", "50000"});
  backend().ScriptFileDialog(std::vector<std::string>{folder.File("contour.dat")});
  DispatchCommand(window, 241);
  EXPECT_EQ(refits, 6);
  EXPECT_EQ(lines(folder.File("contour.dat")), 6);

  // The K map is only for the monomer-dimer and monomer-trimer models.
  refits = 0;
  DispatchCommand(window, 245);
  EXPECT_EQ(refits, 0);
  ModelSelection.Kind = ModelKind::MonomerDimer;
  entries({"3", "5", "0.5"});
  backend().ScriptFileDialog(std::vector<std::string>{folder.File("Kcontour.dat")});
  DispatchCommand(window, 245);
  EXPECT_EQ(refits, 5);
  EXPECT_EQ(lines(folder.File("Kcontour.dat")), 5);
}

TEST_F(ParameterCommandsTest, TheWindowPaintsNothingWhileTheParameterDialogIsUp) {
  EXPECT_FALSE(window.PaintDeferred());
  ParameterDialogOpen = true;
  EXPECT_TRUE(window.PaintDeferred());
  ParameterDialogOpen = false;
}

}  // namespace

