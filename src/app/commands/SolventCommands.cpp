#include "app/commands/SolventCommands.h"

#include "app/commands/CommandTable.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "engines/BufferSedDialog.h"
#include "engines/InhomogeneousSolventDialog.h"
#include "models/TempParameterFile.h"

namespace {

constexpr int kFullRangeCommand = 208;

}  // namespace

void CmInhomogeneousSolvent(TXLAWindow& window) {
  DialogBusyScope busy(window);
  window.CheckMenuItem(kInhomogeneousSolventItem, SetInhomogeneousSolvent(window.Handle()));
}

void CmBufferSedimentation(TXLAWindow& window) {
  BufferSedCommandOutcome outcome;
  {
    DialogBusyScope busy(window);
    outcome = BufferSedimentationCommand(window.Handle());
  }
  window.CheckMenuItem(kBufferSedimentationItem, outcome.On);
  if (!outcome.RedrawData) return;
  // The reference meniscus moved the data range: show the full range again.
  if (MainCommandTable().Find(kFullRangeCommand))
    DispatchCommand(window, kFullRangeCommand);
  else
    InvalidateMainWindow(window);
}

void RegisterSolventCommands(CommandTable& table) {
  table.Add(542, &CmInhomogeneousSolvent, false, "CmInhomogeneousSolvent");
  table.Add(552, &CmBufferSedimentation, false, "BufferSedimentationCommand");
}

void InstallSolventCommandHooks(TXLAWindow& window) {
  TempParameterFileLinksRecord& l = TempParameterFileLinks;
  TXLAWindow* w = &window;
  l.CheckBufferSedCompatibility = [](platform::WindowHandle h) {
    return CheckBufferSedCompatibility(h);
  };
  l.FixBufferSedimentationParams = [] { FixBufferSedimentationParams(); };
  l.BufferSedOff = [](platform::WindowHandle h) { BufferSedOff(h); };
  l.CheckMenuItem = [w](platform::WindowHandle, int item, bool checked) {
    w->CheckMenuItem(item, checked);
  };
}

void RemoveSolventCommandHooks() {
  TempParameterFileLinksRecord& l = TempParameterFileLinks;
  l.CheckBufferSedCompatibility = [](platform::WindowHandle) { return true; };
  l.FixBufferSedimentationParams = [] {};
  l.BufferSedOff = [](platform::WindowHandle) {};
  l.CheckMenuItem = [](platform::WindowHandle, int, bool) {};
}
