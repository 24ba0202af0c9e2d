#include "app/params/ContourCommands.h"

#include <string>

#include "app/commands/CommandTable.h"
#include "app/options/FittingOptionCommands.h"
#include "app/loading/LoadingSupport.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "models/ErrorProjections.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"

namespace {

// The paths of the save dialog hold 260 characters, as the file records do.
constexpr std::size_t kPathCapacity = 260;

// One range of a held parameter: minimum, maximum (default: the current
// value) and an increment (default: the given fraction of the range). False
// on Cancel, and when the increment does not lead from the minimum towards
// the maximum.
struct Range {
  float min = 0.0f, max = 0.0f, step = 0.0f;
};

bool AskRange(TXLAWindow& window, const char* caption, const std::string& name, float current,
              float fraction, Range& r) {
  const platform::WindowHandle w = window.Handle();
  if (!InputFloatIn(w, r.min, current, true, ("minimum " + name).c_str(), caption)) return false;
  if (!InputFloatIn(w, r.max, current, true, ("maximum " + name).c_str(), caption)) return false;
  if (!InputFloatIn(w, r.step, fraction * (r.max - r.min), true, (name + " increment").c_str(),
                    caption))
    return false;
  return StepLeadsThrough(r.min, r.max, r.step);
}

bool AskSavePath(TXLAWindow& window, const char* proposed, std::string& path) {
  path = proposed;
  return ChooseFileName(window, true, path, kPathCapacity, "save generated data as", "dat",
                        {{"All Files (*.*)", {"*.*"}}});
}

// The two-parameter maps share their questions (two ranges, the level and
// the starting point, then the file) and differ in the map they make.
using TwoParameterMap = int (*)(platform::WindowHandle, const std::string&, float, float, float,
                                float, float, float, float, float, float);

void RunTwoParameterMap(TXLAWindow& window, const char* caption, const char* startCaption,
                        const char* xName, const char* yName, float xCurrent, float yCurrent,
                        TwoParameterMap map) {
  const platform::WindowHandle w = window.Handle();
  DialogBusyScope busy(window);
  Range x, y;
  float level = 0.0f, xStart = 0.0f, yStart = 0.0f;
  if (!AskRange(window, caption, xName, xCurrent, 0.2f, x)) return;
  if (!AskRange(window, caption, yName, yCurrent, 0.2f, y)) return;
  if (!InputFloatIn(w, level, 0.01f, true, "rmsd contour level (0 for all)", caption)) return;
  if (!InputFloatIn(w, xStart, x.min, true, "starting s1", startCaption)) return;
  if (!InputFloatIn(w, yStart, y.min, true, "starting s2", startCaption)) return;
  std::string path;
  if (!AskSavePath(window, "contour.dat", path)) return;
  loading::WaitCursor wait(window);
  map(w, path, x.min, x.max, x.step, y.min, y.max, y.step, level, xStart, yStart);
}

}  // namespace

void CmSMContour(TXLAWindow& window) {
  RunTwoParameterMap(window, "s and M Contour", "s1 and M Contour", "s", "M", ParameterVector[5],
                     ParameterVector[1], &ContourMapSM);
}

void CmS1S2Contour(TXLAWindow& window) {
  RunTwoParameterMap(window, "s1,s2 Contour", "s1,s2 Contour", "s1", "s2", ParameterVector[5],
                     ParameterVector[6], &ContourMapS1S2);
}

void CmKContour(TXLAWindow& window) {
  const ModelKind kind = ModelSelection.Kind;
  if (kind != ModelKind::MonomerDimer && kind != ModelKind::MonomerTrimer) return;
  DialogBusyScope busy(window);
  Range k;
  if (!AskRange(window, "K Contour", "lg(K)", ParameterVector[3], 0.1f, k)) return;
  std::string path;
  if (!AskSavePath(window, "Kcontour.dat", path)) return;
  loading::WaitCursor wait(window);
  ContourMapK(window.Handle(), path, k.min, k.max, k.step);
}

void RegisterContourCommands(CommandTable& table) {
  table.Add(241, &CmSMContour, true, "CmSMContour");
  table.Add(244, &CmS1S2Contour, true, "CmS1S2Contour");
  table.Add(245, &CmKContour, true, "CmKContour");
}
