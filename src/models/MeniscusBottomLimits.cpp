#include "models/MeniscusBottomLimits.h"

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "models/MatrixBoxes.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

std::function<void(platform::WindowHandle)> RepaintAfterLimits = [](platform::WindowHandle window) {
  if (RepaintMainWindow) RepaintMainWindow(window);
};

bool MeniscusBottomLimitsConsistent() {
  const FitControlRecord& f = FitControl;
  const ModelParametersRecord& m = ModelParameters;
  const float left = ScanDataSet.FitLeftLim, right = ScanDataSet.FitRightLim;
  return f.MINMENISCUS <= m.Meniscus && f.MINMENISCUS <= f.MAXMENISCUS &&
         f.MAXMENISCUS >= m.Meniscus && f.MAXMENISCUS <= left && f.MINBOTTOM <= m.Bottom &&
         f.MINBOTTOM <= f.MAXBOTTOM && f.MAXBOTTOM >= m.Bottom && f.MINBOTTOM >= right;
}

namespace {

// The electrophoresis geometry: the bottom follows the meniscus, so only
// the meniscus range is asked. True when both limits were given.
bool AskMeniscusRange(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  const ModelParametersRecord& m = ModelParameters;
  const char* caption = "SET RANGE FOR MENISCUS VARIATION";
  const bool known = m.MeniscusRangeConfirmed;
  float upper = known ? f.MAXMENISCUS : m.Meniscus + 0.02f;
  float lower = known ? f.MINMENISCUS : m.Meniscus - 0.02f;
  float value = upper;
  InputPositiveFloatIn(window, value, upper, true, "enter upper limit (0 for auto default)",
                       caption);
  f.MAXMENISCUS = value;
  if (!(value > 0.0f)) return false;
  value = lower;
  InputPositiveFloatIn(window, value, lower, true, "enter lower limit (0 for auto default)",
                       caption);
  f.MINMENISCUS = value;
  return value > 0.0f;
}

}  // namespace

bool EditMeniscusBottomLimits(platform::WindowHandle window, bool force) {
  if (MeniscusBottomLimitsConsistent() && !force) return false;
  FitControlRecord& f = FitControl;
  bool userSet = false;
  if (CurrentGeometry() == LammGeometry::LinearForceElectrophoresis) {
    userSet = AskMeniscusRange(window);
  } else {
    MatrixTable<float> values(2, 3);
    MatrixTable<std::string> labels(2, 3);
    const ModelParametersRecord& m = ModelParameters;
    // Limits that leave out the position just entered are no proposal: the
    // automatic ones around it are offered instead.
    const MeniscusBottomRanges around = AutomaticMeniscusBottomLimits();
    const bool meniscusInside = f.MINMENISCUS <= m.Meniscus && m.Meniscus <= f.MAXMENISCUS;
    const bool bottomInside = f.MINBOTTOM <= m.Bottom && m.Bottom <= f.MAXBOTTOM;
    values(1, 1) = m.Meniscus;
    values(1, 2) = meniscusInside ? f.MINMENISCUS : around.MinMeniscus;
    values(1, 3) = meniscusInside ? f.MAXMENISCUS : around.MaxMeniscus;
    values(2, 1) = m.Bottom;
    values(2, 2) = bottomInside ? f.MINBOTTOM : around.MinBottom;
    values(2, 3) = bottomInside ? f.MAXBOTTOM : around.MaxBottom;
    labels(1, 1) = "meniscus";
    labels(2, 1) = "bottom";
    for (int i = 1; i <= 2; ++i) {
      labels(i, 2) = "low limit (0=auto)";
      labels(i, 3) = "up limit (0=auto)";
    }
    if (!RunGetMatrixBox(window, 2, 3, values, labels, "set meniscus+limits")) return false;
    UnpackParameterVector();
    ModelParameters.Meniscus = values(1, 1);
    ModelParameters.Bottom = values(2, 1);
    float* limits[2][2] = {{&f.MINMENISCUS, &f.MAXMENISCUS}, {&f.MINBOTTOM, &f.MAXBOTTOM}};
    userSet = true;
    for (int i = 1; i <= 2; ++i)
      for (int j = 2; j <= 3; ++j) {
        if (values(i, j) > 0.0f)
          *limits[i - 1][j - 2] = values(i, j);
        else
          userSet = false;
      }
    PackParameterVector();
  }
  ModelParameters.MeniscusBottomLimitsUserSet = userSet;
  if (!userSet) DefaultMeniscusBottomLimits();
  RepaintAfterLimits(window);
  return true;
}
