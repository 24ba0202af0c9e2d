// rmsd maps over one or two held parameters: the lg K table, the full grid
// walked as a snake, and the contour at one rmsd level followed through the
// grid and written as its interpolated line.

#include <cmath>
#include <cstdio>
#include <vector>

#include "models/ErrorProjections.h"
#include "models/FitResultDisplay.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/CCurve.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"

std::function<float(platform::WindowHandle)> ContourRefit = SimplexWithRestarts;

namespace {

struct Row {
  float x = 0.0f, y = 0.0f, rmsd = 0.0f;
  bool Empty() const { return x == 0.0f && y == 0.0f; }
};

// Which two slots a map holds.
struct HeldPair {
  int xSlot;
  int ySlot;
};

// The common frame of every map: a tenth of the cycle tolerance, no live
// display, the held parameters unfitted; restored at the end.
class MapFrame {
 public:
  explicit MapFrame(std::initializer_list<int> heldSlots)
      : tolerance_(FitControl.FitCycleTolerance), live_(SpeciesSignals.LiveRunDisplay) {
    FitControl.FitCycleTolerance = tolerance_ / 10.0f;
    SpeciesSignals.LiveRunDisplay = false;
    ModelParametersRecord& m = ModelParameters;
    SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
    for (int slot : heldSlots) {
      if (slot == 5) m.SedCoefficientFitted[1] = e.s1Fitted = 0;
      if (slot == 6) m.SedCoefficientFitted[2] = e.s2Fitted = 0;
      if (slot == 1) m.MassOrDFitted[1] = 0;
      if (slot == 3) m.MassOrDFitted[3] = e.LogKaFitted = 0;
    }
    PackParameterVector();
    for (int slot : heldSlots) ParameterFitted[slot] = 0;
    UnpackParameterVector();
  }
  ~MapFrame() {
    SpeciesSignals.LiveRunDisplay = live_;
    FitControl.FitCycleTolerance = tolerance_;
    FitControl.FitAbort = false;
  }
  MapFrame(const MapFrame&) = delete;
  MapFrame& operator=(const MapFrame&) = delete;

 private:
  float tolerance_;
  bool live_;
};

void Hold(int slot, float value) {
  ParameterVector[slot] = value;
  UnpackParameterVector();
}

float Evaluate(platform::WindowHandle window, const HeldPair& held, float x, float y) {
  Hold(held.xSlot, x);
  Hold(held.ySlot, y);
  return ContourRefit(window);
}

bool WriteRows(const std::vector<Row>& rows, int columns, const std::string& path) {
  const int n = static_cast<int>(rows.size()) - 1;
  if (n < 1) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file != nullptr) std::fclose(file);
    return file != nullptr;
  }
  OneBasedMatrix<float> table(1, n, 1, columns);
  for (int i = 1; i <= n; ++i) {
    const Row& r = rows[static_cast<std::size_t>(i)];
    if (columns == 2) {
      table[i][1] = r.x;
      table[i][2] = r.rmsd;
    } else {
      table[i][1] = r.x;
      table[i][2] = r.y;
      table[i][3] = r.rmsd;
    }
  }
  return WriteMatrixFile(table.get(), 1, n, 1, columns, path);
}

// Level 0: the grid column by column from the start, y alternately upwards
// and downwards.
int FullGrid(platform::WindowHandle window, const HeldPair& held, std::vector<Row>& rows,
             float xMax, float yMin, float yMax, float xStep, float yStep, float xStart,
             float yStart) {
  const int n = static_cast<int>(rows.size()) - 1;
  int row = 0;
  float x = xStart, y = yStart;
  while (x <= xMax + 1e-6f * std::fabs(xStep) && row < n) {
    while (y >= yMin - 1e-6f * std::fabs(yStep) && y <= yMax + 1e-6f * std::fabs(yStep) &&
           row < n) {
      const float rmsd = Evaluate(window, held, x, y);
      rows[static_cast<std::size_t>(++row)] = {x, y, rmsd};
      ShowSimplexVertex(window, x, y, rmsd, row);
      y += yStep;
    }
    x += xStep;
    yStep = -yStep;
    if (y < yMin - 1e-6f * std::fabs(yStep) || y > yMax + 1e-6f * std::fabs(yStep)) y += yStep;
  }
  return row;
}

bool Same(float a, float b, float step) { return std::fabs(a - b) <= 1e-4f * std::fabs(step); }

// Level L > 0: the walk turns back whenever it crosses the level, so that
// it follows the contour instead of covering the grid.
int FollowContour(platform::WindowHandle window, const HeldPair& held, std::vector<Row>& rows,
                  float level, float xMin, float xMax, float xStep, float yMin, float yMax,
                  float yStep, float xStart, float yStart) {
  const int n = static_cast<int>(rows.size()) - 1;
  auto inY = [&](float y) {
    return y >= yMin - 1e-4f * std::fabs(yStep) && y <= yMax + 1e-4f * std::fabs(yStep);
  };
  auto inX = [&](float x) {
    return x >= xMin - 1e-4f * std::fabs(xStep) && x <= xMax + 1e-4f * std::fabs(xStep);
  };
  int dx = 1, dy = 1;
  float xLow = xMin - xStep;
  bool above, everBelow, crossed = false, turned = false, flipped = false, xReversed = false,
                         done = false;
  float x = xStart, y = yStart;
  int row = 1;
  float rmsd = Evaluate(window, held, x, y);
  rows[1] = {x, y, rmsd};
  ShowSimplexVertex(window, x, y, rmsd, row);
  above = rmsd > level;
  everBelow = !above;
  float previous = rmsd, current = rmsd;
  y += yStep;
  while (inX(x)) {
    if (row > 1 && Same(x, xMin, xStep) && Same(y, yMin, yStep)) break;
    if (++row > n) break;  // one row left empty between the sweeps
    while (inY(y)) {
      if (++row > n) break;
      rmsd = Evaluate(window, held, x, y);
      rows[static_cast<std::size_t>(row)] = {x, y, rmsd};
      if (row > 2 && rows[static_cast<std::size_t>(row - 1)].Empty()) {
        rows[static_cast<std::size_t>(row - 1)] = rows[static_cast<std::size_t>(row)];
        rows[static_cast<std::size_t>(row)] = Row{};
        --row;
      }
      ShowSimplexVertex(window, x, y, rmsd, row);
      previous = current;
      current = rmsd;
      const bool rising = current > previous;
      if (current < level) {
        crossed = above;
        above = false;
        xLow = x;
        everBelow = true;
      } else {
        crossed = !above;
        above = true;
      }
      if (turned || flipped) {
        turned = flipped = false;
        if (crossed) {
          if (row > 1 && Same(y, rows[static_cast<std::size_t>(row - 1)].y, yStep)) {
            x -= static_cast<float>(dx) * xStep;
            dy = -dy;
            y += static_cast<float>(dy) * yStep;
          } else {
            y -= static_cast<float>(dy) * yStep;
          }
          turned = true;
          break;
        }
        y += static_cast<float>(dy) * yStep;
        continue;
      }
      if ((Same(x, xLow, xStep) && above && rising) || (!above && !rising)) {
        y += static_cast<float>(dy) * yStep;
        dy = -dy;
        y += static_cast<float>(dy) * yStep;
        turned = true;
        break;
      }
      y += static_cast<float>(dy) * yStep;
    }
    if (row > n) break;
    if (done && Same(x, xStart, xStep)) break;
    if (!Same(x, xLow, xStep) && everBelow && !crossed) {
      if (xReversed) {
        done = true;
      } else {
        x = xLow;
        dx = -dx;
        xReversed = true;
        x -= static_cast<float>(dx) * xStep;
      }
    }
    x += static_cast<float>(dx) * xStep;
    if (!turned) {
      dy = -dy;
      flipped = true;
    }
    if (!inY(y)) y += static_cast<float>(dy) * yStep;
  }
  return row > n ? n : row;
}

// The level's crossings between neighbouring rows, closed into a line.
bool WriteContour(platform::WindowHandle window, const std::vector<Row>& rows, float level,
                  const std::string& path) {
  std::vector<float> xs, ys;
  const int n = static_cast<int>(rows.size()) - 1;
  for (int i = 1; i < n; ++i) {
    const Row& a = rows[static_cast<std::size_t>(i)];
    const Row& b = rows[static_cast<std::size_t>(i + 1)];
    // Rows left empty are no points of the surface.
    if (a.Empty() || b.Empty() || a.rmsd == b.rmsd) continue;
    const bool encloses = (a.rmsd <= level && level <= b.rmsd) ||
                          (a.rmsd >= level && level >= b.rmsd);
    if (!encloses) continue;
    const float f = (level - a.rmsd) / (b.rmsd - a.rmsd);
    xs.push_back(f * (b.x - a.x) + a.x);
    ys.push_back(f * (b.y - a.y) + a.y);
  }
  if (xs.empty()) {
    platform::Current().ShowMessageBox({window, "level not reached", "CONTOUR MAP",
                                        platform::BoxIcon::Information,
                                        platform::BoxButtons::Ok});
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file != nullptr) std::fclose(file);
    return false;
  }
  xs.push_back(xs.front());
  ys.push_back(ys.front());
  CCurve curve(xs.data(), ys.data(), static_cast<int>(xs.size()), 0, 0);
  return curve.WriteFile(path) == 1;
}

int TwoParameterMap(platform::WindowHandle window, const HeldPair& held, const std::string& path,
                    float xMin, float xMax, float xStep, float yMin, float yMax, float yStep,
                    float level, float xStart, float yStart) {
  MapFrame frame({held.xSlot, held.ySlot});
  const int n = ContourGridCount(xMin, xMax, xStep) * ContourGridCount(yMin, yMax, yStep);
  std::vector<Row> rows(static_cast<std::size_t>(n) + 1);
  if (n < 1) return 0;
  int count = 0;
  if (level <= 0.0f) {
    count = FullGrid(window, held, rows, xMax, yMin, yMax, xStep, yStep, xStart, yStart);
    rows.resize(static_cast<std::size_t>(count) + 1);
    WriteRows(rows, 3, path);
  } else {
    count = FollowContour(window, held, rows, level, xMin, xMax, xStep, yMin, yMax, yStep,
                          xStart, yStart);
    WriteContour(window, rows, level, path);
  }
  return count;
}

}  // namespace

int ContourGridCount(float min, float max, float step) {
  if (!(step > 0.0f) || max < min) return 0;
  return static_cast<int>(std::floor((max - min) / step + 0.00001f)) + 1;
}

int ContourMapK(platform::WindowHandle window, const std::string& path, float min, float max,
                float step) {
  MapFrame frame({3});
  const int n = ContourGridCount(min, max, step);
  std::vector<Row> rows(static_cast<std::size_t>(n) + 1);
  int row = 0;
  for (float lgK = min; lgK <= max + 1e-5f * std::fabs(step) && row < n; lgK += step) {
    Hold(3, lgK);
    const float rmsd = ContourRefit(window);
    rows[static_cast<std::size_t>(++row)] = {lgK, 0.0f, rmsd};
    ShowSimplexVertex(window, lgK, 0.0f, rmsd, row);
  }
  rows.resize(static_cast<std::size_t>(row) + 1);
  WriteRows(rows, 2, path);
  return row;
}

int ContourMapS1S2(platform::WindowHandle window, const std::string& path, float xMin,
                   float xMax, float xStep, float yMin, float yMax, float yStep, float level,
                   float xStart, float yStart) {
  return TwoParameterMap(window, {5, 6}, path, xMin, xMax, xStep, yMin, yMax, yStep, level,
                         xStart, yStart);
}

int ContourMapSM(platform::WindowHandle window, const std::string& path, float xMin, float xMax,
                 float xStep, float yMin, float yMax, float yStep, float level, float xStart,
                 float yStart) {
  return TwoParameterMap(window, {5, 1}, path, xMin, xMax, xStep, yMin, yMax, yStep, level,
                         xStart, yStart);
}

void ShowSimplexVertex(platform::WindowHandle window, float x, float y, float rmsd, int index) {
  static int textRow = 0;
  textRow = textRow >= 15 ? 1 : textRow + 1;
  char text[96];
  std::snprintf(text, sizeof text, "%d: (%.2f , %.2f) %f", index, x, y, rmsd);
  if (window != nullptr)
    platform::Current().DrawWindowText(window, FitResultLineX, textRow * 20 + 10, text);
}
