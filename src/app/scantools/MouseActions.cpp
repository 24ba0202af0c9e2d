#include "app/scantools/MouseActions.h"

#include <array>

#include "app/interaction/WindowDrawing.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/DirectRedraws.h"
#include "state/MainPlotLayout.h"
#include "plot/CAdHocPlot.h"

std::unique_ptr<CMouseAction> MakeTrackScratchAction();
std::unique_ptr<CMouseAction> MakeFixScratchJumpAction();
std::unique_ptr<CMouseAction> MakeFixPointScanFringeJumpAction();

namespace {

// Made once and kept until the program ends.
std::array<std::unique_ptr<CMouseAction>, kMouseActionCount + 1> Registry;

template <class F>
bool ForActive(F call) {
  for (int i = 1; i <= kMouseActionCount; ++i) {
    CMouseAction* a = Registry[i].get();
    if (a != nullptr && a->Active() && call(*a)) return true;
  }
  return false;
}

void StartEntry(MouseActionId id) {
  if (ScanDataSet.NFILES <= 0) return;
  CMouseAction* a = MouseActionAt(id);
  if (a == nullptr) return;
  a->Start();
  if (a->Active()) a->Begin();
}

}  // namespace

CMouseAction::~CMouseAction() = default;

void CMouseAction::Start() {
  StopAllMouseActions();
  if (owner_ == nullptr) return;
  if (owner_->Host() != nullptr) owner_->Host()->SetCursor(platform::CursorShape::Cross);
  active_ = true;
}

void CMouseAction::Stop() {
  if (!active_) return;
  active_ = false;
  picture_.reset();
  lines_.clear();
  if (owner_ == nullptr) return;
  if (owner_->Host() != nullptr) owner_->Host()->SetCursor(platform::CursorShape::Arrow);
  InvalidateMainWindow(*owner_);
}

void CMouseAction::ShowPicture(std::unique_ptr<CAdHocPlot> picture) {
  picture_ = std::move(picture);
  lines_.clear();
  if (owner_ == nullptr || owner_->Host() == nullptr || !picture_) return;
  platform::WindowHost* host = owner_->Host();
  display::ReplayInPlotSpace(host->ClientCanvas(), host->ClientSize(), picture_->pPlot->hMetaFile);
  ShowDirectDrawing(*owner_);
}

void CMouseAction::ClearPicture() {
  picture_.reset();
  lines_.clear();
}

void CMouseAction::WriteLine(int x, int y, const std::string& text) {
  bool replaced = false;
  for (TextLine& l : lines_)
    if (l.x == x && l.y == y) {
      l.text = text;
      replaced = true;
    }
  if (!replaced) lines_.push_back({x, y, text});
  if (owner_ == nullptr) return;
  WriteWindowText(*owner_, x, y, text);
  ShowDirectDrawing(*owner_);
}

void CreateMouseActions(TXLAWindow* window) {
  if (!Registry[1]) {
    Registry[1] = MakeTrackScratchAction();
    Registry[2] = MakeFixScratchJumpAction();
    Registry[3] = MakeFixPointScanFringeJumpAction();
  }
  for (int i = 1; i <= kMouseActionCount; ++i) Registry[i]->SetOwner(window);
}

CMouseAction* MouseActionAt(MouseActionId id) {
  return Registry[static_cast<int>(id)].get();
}

void StopAllMouseActions() {
  for (int i = 1; i <= kMouseActionCount; ++i)
    if (Registry[i]) {
      Registry[i]->Stop();
      Registry[i]->Discard();
    }
}

CMouseAction* ActiveMouseAction() {
  for (int i = 1; i <= kMouseActionCount; ++i)
    if (Registry[i] && Registry[i]->Active()) return Registry[i].get();
  return nullptr;
}

bool CancelMouseAction() {
  CMouseAction* a = ActiveMouseAction();
  if (a == nullptr) return false;
  a->Stop();
  a->OnStopped();
  a->Discard();
  return true;
}

bool FinishMouseAction() {
  CMouseAction* a = ActiveMouseAction();
  if (a == nullptr) return false;
  a->Stop();
  a->OnStopped();
  a->Finish();
  return true;
}

bool MouseActionEvent(platform::MouseAction action, platform::Point p) {
  using A = platform::MouseAction;
  return ForActive([&](CMouseAction& a) {
    switch (action) {
      case A::Move:
        return a.MouseMove(p);
      case A::LeftDown:
        return a.LButtonDown(p);
      case A::LeftUp:
        return a.LButtonUp(p);
      case A::LeftDoubleClick:
        return a.LButtonDblClk(p);
      case A::RightDown:
        return a.RButtonDown(p);
      case A::RightUp:
        return a.RButtonUp(p);
      case A::RightDoubleClick:
        return a.RButtonDblClk(p);
    }
    return false;
  });
}

bool MouseActionKeyDown(int key, int repeat, int flags) {
  return ForActive([&](CMouseAction& a) { return a.KeyDown(key, repeat, flags); });
}

void StartTrackScratch() {
  StartEntry(MouseActionId::TrackScratch);
}

void StartFixScratchJump() {
  StartEntry(MouseActionId::FixScratchJump);
}

void StartFixPointScanFringeJump() {
  StartEntry(MouseActionId::FixPointScanFringeJump);
}

int PlotUnitsX(int px) {
  const float w = MainPlotLayout.ClientWidth;
  return w > 0 ? static_cast<int>(1000.0f * 1.4f * static_cast<float>(px) / w) : 0;
}

int PlotUnitsY(int py) {
  const float h = MainPlotLayout.ClientHeight;
  return h > 0 ? static_cast<int>(1000.0f * static_cast<float>(py) / h) : 0;
}
