#include "app/window/TXLAWindow.h"

#include "app/commands/CommandTable.h"
#include "app/records/LoadOptions.h"
#include "models/records/ComputationAbort.h"
#include "resources/MainMenu.h"

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
  ComputationAbort = true;
}

bool TXLAWindow::OnClose() {
  return true;
}

// The display's painting and its mouse and keyboard handling hook in here.
void TXLAWindow::OnKeyDown(int) {}
void TXLAWindow::OnChar(int) {}
void TXLAWindow::OnMouse(platform::MouseAction, const platform::MouseEvent&) {}
void TXLAWindow::OnTimer(int) {}
