#include "app/batch/BatchSettingsChecks.h"

#include <algorithm>
#include <cmath>

#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"

namespace {

std::string Number(float value) {
  return FormatText("%g", static_cast<double>(value));
}

std::string NotPositive(const char* key, float value, const char* unit, const char* what) {
  return std::string(key) + " " + Number(value) + " (" + unit + ") is not above 0: no " + what +
         " has it";
}

std::string LowerAboveUpper(const char* lowerKey, float lower, const char* upperKey, float upper) {
  return std::string(lowerKey) + " " + Number(lower) + " lies above " + upperKey + " " +
         Number(upper);
}

bool UsesSRange(const CIniCustomPars& p) {
  return p.Model == "cofs" || p.Model == "lsgofs" ||
         (p.Model == "flotationcofs" && !p.FlotationOnly);
}

// The radii of the loaded scans, smallest and largest.
void DataRadii(float& low, float& high) {
  const auto& d = ScanDataSet;
  low = HUGE_VALF;
  high = -HUGE_VALF;
  for (int i = 1; i <= d.NFILES; ++i) {
    if (d.ScanPointCount[i] < 1) continue;
    low = std::min(low, d.ScanRadius[i][1]);
    high = std::max(high, d.ScanRadius[i][d.ScanPointCount[i]]);
  }
}

}  // namespace

std::string ImpossibleBatchSetting(const CIniCustomPars& p) {
  if (!(p.BufferViscosity > 0.0f))
    return NotPositive("BufferViscosity", p.BufferViscosity, "poise", "buffer");
  if (!(p.BufferDensity > 0.0f))
    return NotPositive("BufferDensity", p.BufferDensity, "g/ml", "buffer");
  if (!(p.Vbar > 0.0f)) return NotPositive("Vbar", p.Vbar, "ml/g", "sedimenting particle");
  if (!(p.StartingFrictionalRatio > 0.0f))
    return NotPositive("StartingFrictionalRatio", p.StartingFrictionalRatio, "f/f0", "particle");
  if (!(p.Meniscus > 0.0f)) return NotPositive("Meniscus", p.Meniscus, "cm", "cell");
  if (!(p.Meniscus < p.Bottom))
    return "Meniscus " + Number(p.Meniscus) + " (cm) does not lie before Bottom " +
           Number(p.Bottom) + " (cm)";
  if (p.MeniscusLowerLimit > p.MeniscusUpperLimit)
    return LowerAboveUpper("MeniscusLowerLimit", p.MeniscusLowerLimit, "MeniscusUpperLimit",
                           p.MeniscusUpperLimit);
  if (p.BottomLowerLimit > p.BottomUpperLimit)
    return LowerAboveUpper("BottomLowerLimit", p.BottomLowerLimit, "BottomUpperLimit",
                           p.BottomUpperLimit);
  // A limit of 0 means "not set": the fit range then reaches the data's end.
  if (p.LeftFitLimit != 0.0f && p.RightFitLimit != 0.0f && !(p.LeftFitLimit < p.RightFitLimit))
    return "LeftFitLimit " + Number(p.LeftFitLimit) + " (cm) does not lie before RightFitLimit " +
           Number(p.RightFitLimit) + " (cm)";
  if (UsesSRange(p) && !(p.Smin < p.Smax))
    return "Smin " + Number(p.Smin) + " (S) does not lie below Smax " + Number(p.Smax) + " (S)";
  if (p.Model == "discrete") {
    if (p.SimulateD < 0.0f)
      return "SimulateD " + Number(p.SimulateD) +
             " (in units of 1e-7 cm^2/s) is negative: no diffusion coefficient is";
    // D = 0 stays allowed: a boundary without diffusion.
    if (p.SimulateD > 0.0f && p.SimulateD < BatchSmallestSimulateD)
      return "SimulateD " + Number(p.SimulateD) +
             " cannot be meant in its units of 1e-7 cm^2/s (it would be " +
             FormatText("%g", static_cast<double>(p.SimulateD) * 1e-7) +
             " cm^2/s); a value in cm^2/s is written in those units, e.g. 6.562e-7 cm^2/s as "
             "6.562";
  }
  return {};
}

std::string BatchSettingOutsideTheData(const CIniCustomPars& p) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return {};
  float low = 0.0f, high = 0.0f;
  DataRadii(low, high);
  if (!(low < high)) return {};
  const float left = p.LeftFitLimit != 0.0f ? p.LeftFitLimit : low;
  const float right = p.RightFitLimit != 0.0f ? p.RightFitLimit : high;
  if (!(left < high && right > low))
    return "LeftFitLimit " + Number(p.LeftFitLimit) + " to RightFitLimit " +
           Number(p.RightFitLimit) + " (cm) holds none of the scans' radii (" + Number(low) +
           " to " + Number(high) + " cm)";
  if (UsesSRange(p)) {
    // Sedimentation moves a boundary as r = m exp(s omega^2 t): a species
    // with s above ln(bottom / meniscus) / omega^2 t has left the column
    // before the first scan. Ten times that is beyond anything the run shows.
    const double w2t = d.ScanHeaders[d.ScanTimeOrder[1]].Omega2t;
    const double reach = std::log(static_cast<double>(p.Bottom) / p.Meniscus) / w2t / 1e-13;
    if (w2t > 0.0 && std::isfinite(reach) && static_cast<double>(p.Smax) > 10.0 * reach)
      return "Smax " + Number(p.Smax) + " (S) lies beyond the run's reach: everything above " +
             FormatText("%.0f", reach) +
             " S has sedimented to the bottom before the first scan; give Smax below " +
             FormatText("%.0f", 10.0 * reach);
  }
  return {};
}
