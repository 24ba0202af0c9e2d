#include "app/window/TXLAWindow.h"

#include "app/commands/CommandTable.h"

TXLAWindow::TXLAWindow(std::string title) : title_(std::move(title)) {}

TXLAWindow::~TXLAWindow() = default;

void TXLAWindow::Create() {
  host_ = platform::Current().CreateMainWindow(*this, menu_, title_);
  host_->Show();
}

void TXLAWindow::OnCommand(int id) {
  DispatchCommand(*this, id);
}
void TXLAWindow::OnPaint(platform::Canvas&, bool) {}
void TXLAWindow::OnSize(platform::Size) {}
void TXLAWindow::OnKeyDown(int) {}
void TXLAWindow::OnChar(int) {}
void TXLAWindow::OnMouse(platform::MouseAction, const platform::MouseEvent&) {}
void TXLAWindow::OnDropFiles(const std::vector<std::string>&) {}
void TXLAWindow::OnTimer(int) {}
void TXLAWindow::OnMenuKey(int, int) {}
void TXLAWindow::OnInputWhileBusy() {}
bool TXLAWindow::OnClose() {
  return true;
}
