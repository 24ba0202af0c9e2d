#include "app/window/TXLAWindow.h"

#include "app/commands/CommandTable.h"
#include "app/eqtest/RealtimeUpdate.h"
#include "app/interaction/KeyboardHandling.h"
#include "app/interaction/PlotInput.h"
#include "state/LoadOptions.h"
#include "app/scantools/MouseActions.h"
#include "state/ComputationAbort.h"
#include "resources/MainMenu.h"
#include "state/KeysReadByDisplay.h"

TXLAWindow::TXLAWindow(std::string title) : title_(std::move(title)) {
  menu_.SetBar(MainMenuBar());
  accelerators_ = MainAccelerators();
  FillFileDialogRecords();
}

TXLAWindow::~TXLAWindow() {
  RemoveWindowHooks();
  // The program-wide log hook must not outlive the window it writes through.
  if (debugLogHookInstalled_) ::DebugLog = [](platform::WindowHandle, const std::string&) {};
}

void TXLAWindow::Create() {
  host_ = platform::Current().CreateMainWindow(*this, menu_, title_);
  host_->SetAccelerators(accelerators_);
  MainFileDialog.owner = Handle();
  SecondFileDialog.owner = Handle();
  OnSetup();
  host_->Show();
}

void TXLAWindow::OnCommand(int id) {
  DispatchCommand(*this, id);
}

void TXLAWindow::OnMenuKey(int key, int highlightedId) {
  if (key != platform::key::F1) return;
  MenuHelpMode = true;
  if (highlightedId != 0) OnCommand(highlightedId);
}

void TXLAWindow::OnInputWhileBusy() {
  if (!KeysReadByDisplay) ComputationAbort = true;
}

void TXLAWindow::OnCloseWhileBusy() {
  ClosePending = true;
  ComputationAbort = true;
}

bool TXLAWindow::OnClose() {
  return true;
}

void TXLAWindow::OnKeyDown(int key) {
  if (RealtimeState.Active) RealtimeKeyDown(*this);
  // An interactive scan tool takes the keys it acts on first.
  if (!RunBusy && !FitBusy && MouseActionKeyDown(key, 1, 0)) return;
  HandleKeyDown(*this, key);
}

void TXLAWindow::OnChar(int character) {
  HandleChar(*this, character);
}

void TXLAWindow::OnMouse(platform::MouseAction action, const platform::MouseEvent& event) {
  if (!RunBusy && !FitBusy && MouseActionEvent(action, event.at)) return;
  DispatchMouse(*this, action, event);
}

void TXLAWindow::OnTimer(int id) {
  RealtimeTimer(*this, id);
}
