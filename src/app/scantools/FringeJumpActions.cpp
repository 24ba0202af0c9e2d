#include "app/scantools/FringeJumpActions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/interaction/ScanPicking.h"
#include "app/scantools/MouseActions.h"
#include "app/scantools/ScanToolSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "numerics/OneBasedArrays.h"
#include "plot/CAdHocPlot.h"

int FringeJumpWindowPoints = 41;
float ScratchJumpDistance = 0.003f;

namespace {

constexpr platform::Color kRed = platform::Rgb(255, 0, 0);
constexpr platform::Color kBlue = platform::Rgb(0, 0, 255);
constexpr platform::Color kMagenta = platform::Rgb(255, 0, 255);
constexpr platform::Color kGrey = platform::Rgb(100, 100, 100);
constexpr int kLines = -1;

float* Copy(const std::vector<float>& v) {
  const int n = static_cast<int>(v.size()) - 1;
  float* out = vector(1, std::max(1, n));
  for (int k = 1; k <= n; ++k) out[k] = v[k];
  return out;
}

std::unique_ptr<CAdHocPlot> NewToolPlot(const char* xTitle, const char* yTitle) {
  auto plot = std::make_unique<CAdHocPlot>();
  const auto& l = MainPlotLayout;
  plot->pPlot->Place(l.DataTop, l.PlotLeft, l.ResidualBottom, l.PlotRight);
  plot->pPlot->SetXTitle(xTitle);
  plot->pPlot->SetYTitle(yTitle);
  return plot;
}

int AddCurve(CAdHocPlot& plot, const std::vector<float>& x, const std::vector<float>& y,
             platform::Color colour, int style) {
  const int n = static_cast<int>(std::min(x.size(), y.size())) - 1;
  if (n < 1) return -1;
  const int c = plot.AddCurve(n, Copy(x), Copy(y));
  plot.pPlot->SetCurveColor(c, colour);
  plot.pPlot->SetCurveStyle(c, style);
  return c;
}

void RenderPlot(CAdHocPlot& plot) {
  RenderToolPlot(*plot.pPlot);
}

// ---- one scan ----------------------------------------------------------------

struct JumpPoint {
  double radius = 0.0;  // 0: unset
  double direction = 0.0;
  double magnitude = 0.0;
};

class FixPointScanFringeJump : public CMouseAction {
 public:
  void Begin() override {
    if (windowSize_ > 0) FreeWorkingData();
    windowSize_ = std::max(1, FringeJumpWindowPoints);
  }
  void Discard() override { FreeWorkingData(); }
  void Finish() override {
    if (position_ > 0) {
      ApplyJumps(ScanDataSet.ScanSignal[Scan()]);
      AfterSignalChange();
      SetupCommonRadialGrid();
      if (Owner() != nullptr) OfferToSaveScans(*Owner(), "save scan data?");
    }
    FreeWorkingData();
  }

  bool LButtonDown(platform::Point p) override {
    Begin();
    const auto& d = ScanDataSet;
    const int x = PlotUnitsX(p.x), y = PlotUnitsY(p.y);
    const int tx = PlotUnitsX(kPointPickTolerance), ty = PlotUnitsY(kPointPickTolerance);
    int hit = 0, point = 0;
    if (display::MainPlots.DataPlot)
      for (int k = 1; k <= d.NFILES && hit == 0; ++k)
        if (HitTestDataPoint(d.ScanTimeOrder[k], x, y, tx, ty)) {
          hit = k;
          point = ScanEditState.PickedPointIndex;
        }
    if (hit == 0 && display::MainPlots.ResidualPlot)
      for (int k = 1; k <= d.NFILES && hit == 0; ++k)
        if (HitTestResidualPoint(d.ScanTimeOrder[k], x, y, tx, ty)) {
          hit = k;
          point = ScanEditState.PickedResidualPointIndex;
        }
    if (hit == 0) {
      FreeWorkingData();
      windowSize_ = std::max(1, FringeJumpWindowPoints);
      return false;
    }
    position_ = hit;
    pointIndex_ = point;
    CopyScan();
    Recompute();
    Draw();
    return true;
  }

  bool KeyDown(int key, int, int) override {
    if (position_ == 0) return false;
    namespace k = platform::key;
    switch (key) {
      case 'N':
      case 'P':
        StepScan(key == 'N' ? 1 : -1);
        break;
      case k::Left:
        --pointIndex_;
        break;
      case k::Right:
        ++pointIndex_;
        break;
      case k::Up:
        magnitude_ += 1.0;
        break;
      case k::Down:
        magnitude_ -= 1.0;
        break;
      case '1':
      case '2':
      case '3':
        ApplyJumps(signal_);
        ApplyJumps(residuals_);
        focus_ = key - '0';
        break;
      case 'L':
        direction_ = -1.0;
        break;
      case 'R':
        direction_ = 1.0;
        break;
      case k::Escape:
        Stop();
        OnStopped();
        Discard();
        return true;
      default:
        return false;
    }
    Recompute();
    Draw();
    return true;
  }

  FringeJumpView View() const {
    return {position_, pointIndex_, radius_, direction_, magnitude_, focus_};
  }

 private:
  int Scan() const { return ScanDataSet.ScanTimeOrder[position_]; }
  int Points() const { return static_cast<int>(signal_.size()) - 1; }

  void FreeWorkingData() {
    signal_.clear();
    residuals_.clear();
    position_ = 0;
    windowSize_ = 0;
    for (JumpPoint& j : jumps_) j.radius = 0.0;
    focus_ = 1;
  }

  void CopyScan() {
    const auto& d = ScanDataSet;
    const int i = Scan(), n = d.ScanPointCount[i];
    signal_.assign(n + 1, 0.0f);
    residuals_.assign(n + 1, 0.0f);
    for (int k = 1; k <= n; ++k) {
      signal_[k] = d.ScanSignal[i][k];
      residuals_[k] = k <= d.ScanResiduals[i].size() ? d.ScanResiduals[i][k] : 0.0f;
    }
  }

  // Adds every set jump point's magnitude to the points on its moved side.
  template <class Row>
  void ApplyJumps(Row& row) const {
    const auto& radii = ScanDataSet.ScanRadius[Scan()];
    const int n = std::min(ScanDataSet.ScanPointCount[Scan()], static_cast<int>(RowSize(row)));
    for (int j = 0; j < 3; ++j) {
      const JumpPoint& jp = jumps_[j];
      if (j > 0 && !(jp.radius > 0.0)) continue;
      for (int k = 1; k <= n; ++k) {
        const double r = radii[k];
        if ((jp.direction > 0.0 && r > jp.radius) || (jp.direction < 0.0 && r < jp.radius))
          row[k] += static_cast<float>(jp.magnitude);
      }
    }
  }
  static std::size_t RowSize(const std::vector<float>& v) { return v.empty() ? 0 : v.size() - 1; }
  static std::size_t RowSize(const OneBasedArray<float>& v) {
    return static_cast<std::size_t>(std::max(0, v.size()));
  }

  void AfterSignalChange() {
    ScanDataSet.DataChanged = true;
    UpdateResiduals(false);
    if (RenderDataPlot) RenderDataPlot(false);
  }

  void StepScan(int step) {
    if (Owner() == nullptr) return;
    const int i = Scan();
    if (Ask(*Owner(), FormatText("apply changes to %s?", ScanDataSet.ScanFilePaths[i].c_str()),
            "")) {
      ApplyJumps(ScanDataSet.ScanSignal[i]);
      AfterSignalChange();
    }
    const int next = position_ + step;
    if (next >= 1 && next <= ScanDataSet.NFILES) position_ = next;
    CopyScan();
  }

  void Recompute() {
    const int n = Points();
    if (n < 1) return;
    const auto& radii = ScanDataSet.ScanRadius[Scan()];
    pointIndex_ = std::clamp(pointIndex_, 1, n);
    radius_ = radii[pointIndex_];
    jumps_[focus_ - 1] = {radius_, direction_, magnitude_};
    // The window stays inside the scan, also near its end or for a scan
    // shorter than the window.
    const int w = std::min(windowSize_, n);
    int start = std::max(1, pointIndex_ - (w - 1) / 2);
    start = std::min(start, n - w + 1);
    double meanSignal = 0.0, meanResidual = 0.0;
    for (int k = start; k < start + w; ++k) {
      meanSignal += signal_[k];
      meanResidual += residuals_[k];
    }
    meanSignal /= w;
    meanResidual /= w;
    for (auto* v : {&wRadius_, &wResidual_, &wSignal_, &wResidualFixed_, &wSignalFixed_})
      v->assign(w + 1, 0.0f);
    for (int j = 1; j <= w; ++j) {
      const int k = start + j - 1;
      const double r = radii[k];
      wRadius_[j] = static_cast<float>(r);
      wResidual_[j] = static_cast<float>(residuals_[k] - meanResidual);
      wSignal_[j] = static_cast<float>(signal_[k] - meanSignal);
      const bool moved = (direction_ > 0.0 && r > radius_) || (direction_ < 0.0 && r < radius_);
      const float add = moved ? static_cast<float>(magnitude_) : 0.0f;
      wResidualFixed_[j] = wResidual_[j] + add;
      wSignalFixed_[j] = wSignal_[j] + add;
    }
  }

  void Draw() {
    if (Owner() == nullptr) return;
    auto plot = NewToolPlot("radius (cm)", "fringes");
    AddCurve(*plot, wRadius_, wResidual_, platform::kBlack, 6);
    AddCurve(*plot, wRadius_, wSignal_, kGrey, kLines);
    AddCurve(*plot, wRadius_, wResidualFixed_, kRed, 15);
    AddCurve(*plot, wRadius_, wSignalFixed_, kMagenta, kLines);
    const platform::Color colours[3] = {kRed, kBlue, kMagenta};
    const int w = static_cast<int>(wRadius_.size()) - 1;
    for (int j = 0; j < 3 && w >= 1; ++j) {
      const JumpPoint& jp = jumps_[j];
      if (!(jp.radius > 0.0) || jp.radius < wRadius_[1] || jp.radius > wRadius_[w]) continue;
      const std::vector<float> x = {0.0f, static_cast<float>(jp.radius),
                                    static_cast<float>(jp.radius)};
      const std::vector<float> y = {0.0f, static_cast<float>(jp.magnitude), 0.0f};
      AddCurve(*plot, x, y, colours[j], 12);
    }
    RenderPlot(*plot);
    ShowPicture(std::move(plot));
    const auto& d = ScanDataSet;
    WriteLine(10, 20, FormatText("scan %s, r = %f cm     ", d.ScanFilePaths[Scan()].c_str(), radius_));
    WriteLine(10, 45,
              "current residuals(circles) and data (lines) are black/gray, corrected red/magenta");
    WriteLine(10, 70,
              "press L (fix to left) R (fix to right), up/down to increase/decrease, left/right to "
              "move");
    WriteLine(10, 95, FormatText("press '1', '2', '3' key to add/modify jump point (current focus "
                                 "#%d)",
                                 focus_));
    WriteLine(10, 120, "press 'N' or 'P' for next or previous scan");
  }

  double radius_ = 0.0, direction_ = 0.0, magnitude_ = 0.0;
  int pointIndex_ = 0, position_ = 0, focus_ = 1, windowSize_ = 0;
  std::array<JumpPoint, 3> jumps_{};
  std::vector<float> signal_, residuals_;
  std::vector<float> wRadius_, wResidual_, wSignal_, wResidualFixed_, wSignalFixed_;
};

// ---- all scans at one radius ----------------------------------------------------

class FixScratchJump : public CMouseAction {
 public:
  void Begin() override {
    const int n = ScanDataSet.NFILES;
    right_.assign(n + 1, 0);
    left_.assign(n + 1, 0);
    for (auto* v : {&rightResidual_, &leftResidual_, &rightFixed_, &leftFixed_, &number_})
      v->assign(n + 1, 0.0f);
    picked_ = false;
  }
  void Discard() override {
    right_.clear();
    left_.clear();
    picked_ = false;
  }
  void Finish() override {
    if (Ready()) {
      Draw();
      auto& d = ScanDataSet;
      for (int i = 1; i <= Count(); ++i) {
        if (right_[i] < 1) continue;
        const float change = leftResidual_[i] + 0.5f < rightResidual_[i]   ? -1.0f
                             : leftResidual_[i] - 0.5f > rightResidual_[i] ? 1.0f
                                                                           : 0.0f;
        if (change == 0.0f) continue;
        for (int k = right_[i]; k <= d.ScanPointCount[i]; ++k) d.ScanSignal[i][k] += change;
      }
      d.DataChanged = true;
      UpdateResiduals(false);
      if (RenderDataPlot) RenderDataPlot(false);
      SetupCommonRadialGrid();
      if (Owner() != nullptr) OfferToSaveScans(*Owner(), "save scan data?");
    }
    Discard();
  }

  bool LButtonDown(platform::Point p) override {
    Begin();
    Pick(p);
    Draw();
    WriteLine(10, 70, FormatText("dr = %f      ", DrOfFirstScan()));
    return true;
  }

  bool KeyDown(int key, int, int) override {
    if (!Ready()) return false;
    namespace k = platform::key;
    if (key == k::Escape) {
      Stop();
      OnStopped();
      Discard();
      return true;
    }
    if (key != k::Left && key != k::Right) return false;
    if (!picked_) return true;  // nothing picked yet: the arrows have nothing to move
    const int step = key == k::Left ? -1 : 1;
    const auto& d = ScanDataSet;
    for (int i = 1; i <= Count(); ++i) {
      const int n = d.ScanPointCount[i];
      if (right_[i] >= 1) right_[i] = std::clamp(right_[i] + step, 1, n);
      if (left_[i] >= 1) left_[i] = std::clamp(left_[i] + step, 1, n);
      ReadResiduals(i);
    }
    Draw();
    WriteLine(10, 70, FormatText("dr = %f      ", DrOfFirstScan()));
    return true;
  }

 private:
  bool Ready() const { return !right_.empty(); }
  int Count() const { return static_cast<int>(right_.size()) - 1; }

  double DrOfFirstScan() const {
    if (!picked_ || Count() < 1 || right_[1] < 1) return 0.0;
    return ScanDataSet.ScanRadius[1][right_[1]] - position_;
  }

  void ReadResiduals(int i) {
    const auto& res = ScanDataSet.ScanResiduals[i];
    if (right_[i] >= 1 && right_[i] <= res.size()) rightResidual_[i] = res[right_[i]];
    if (left_[i] >= 1 && left_[i] <= res.size()) leftResidual_[i] = res[left_[i]];
    leftFixed_[i] = leftResidual_[i];
    rightFixed_[i] = leftResidual_[i] + 0.5f < rightResidual_[i]   ? rightResidual_[i] - 1.0f
                     : leftResidual_[i] - 0.5f > rightResidual_[i] ? rightResidual_[i] + 1.0f
                                                                   : rightResidual_[i];
  }

  void Pick(platform::Point p) {
    const CWINPlot* plot = display::MainPlots.ResidualPlot.get();
    if (plot == nullptr) return;
    const int y = PlotUnitsY(p.y);
    const auto& l = MainPlotLayout;
    if (!(y > l.ResidualTop && y < l.ResidualBottom)) return;
    const float r = display::WindowXToValue(*plot, p.x);
    const auto& d = ScanDataSet;
    if (!(d.FitLeftLim <= r && r <= d.FitRightLim)) return;
    position_ = r;
    picked_ = true;
    const double dist = ScratchJumpDistance;
    for (int i = 1; i <= Count(); ++i) {
      const int n = d.ScanPointCount[i];
      number_[i] = static_cast<float>(i);
      for (int k = 1; k <= n; ++k)
        if (d.ScanRadius[i][k] > r + dist) {
          right_[i] = k;
          break;
        }
      for (int k = n; k >= 1; --k)
        if (d.ScanRadius[i][k] < r - dist) {
          left_[i] = k;
          break;
        }
      ReadResiduals(i);
    }
  }

  void Draw() {
    if (Owner() == nullptr || Count() < 1) return;
    auto plot = NewToolPlot("scan #", "residuals");
    std::vector<float> x(number_);
    for (int i = 1; i <= Count(); ++i) x[i] = static_cast<float>(i);
    AddCurve(*plot, x, rightResidual_, platform::kBlack, 6);
    AddCurve(*plot, x, rightFixed_, kRed, 15);
    AddCurve(*plot, x, leftResidual_, platform::kBlack, 5);
    AddCurve(*plot, x, leftFixed_, kRed, 5);
    RenderPlot(*plot);
    ShowPicture(std::move(plot));
  }

  double position_ = 0.0;
  bool picked_ = false;
  std::vector<int> right_, left_;
  std::vector<float> rightResidual_, leftResidual_, rightFixed_, leftFixed_, number_;
};

FixPointScanFringeJump* SingleScanAction() {
  return dynamic_cast<FixPointScanFringeJump*>(MouseActionAt(MouseActionId::FixPointScanFringeJump));
}

}  // namespace

std::unique_ptr<CMouseAction> MakeFixScratchJumpAction() {
  return std::make_unique<FixScratchJump>();
}

std::unique_ptr<CMouseAction> MakeFixPointScanFringeJumpAction() {
  return std::make_unique<FixPointScanFringeJump>();
}

FringeJumpView CurrentFringeJumpView() {
  const FixPointScanFringeJump* a = SingleScanAction();
  return a != nullptr ? a->View() : FringeJumpView{};
}

void CmRemoveFringeJumpsInScan(TXLAWindow& window) {
  if (Ask(window, "after fit, click on single scan where jump occurs in residuals plot",
          "Fix Scratch Jump"))
    StartFixPointScanFringeJump();
}

void CmRemoveFringeJumpsAtPosition(TXLAWindow& window) {
  if (!Ask(window,
           "after fit, click on radial value where jump occurs in residuals plot, then use arrow "
           "keys to refine",
           "Fix Scratch Jump"))
    return;
  float distance = ScratchJumpDistance;
  if (!AskNumber(window, distance, "check residuals at distance (cm)", "FIX SCRATCH JUMP")) return;
  ScratchJumpDistance = distance;
  StartFixScratchJump();
}
