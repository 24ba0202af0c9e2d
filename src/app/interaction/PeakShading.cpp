#include "app/interaction/PeakShading.h"

#include <algorithm>
#include <cmath>

#include "app/interaction/DistributionPeaks.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/ProgramOptions.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "display/DirectRedraws.h"
#include "display/MainPlots.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr int kGrey = 150;
constexpr float kFadeThreshold = 0.05f;

bool ShadedModel(ModelKind k) {
  using M = ModelKind;
  if (DlsDataMode || !IsContinuousModel(k) || IsVanHoldeWeischetFamily(k) ||
      k == M::LsGStarOneDiscrete)
    return false;
  if (CorrectionOptions.BufferMismatch.On) return true;
  switch (k) {
    case M::CSFlotation:
    case M::HybridCSLsGStar:
    case M::DlsIRh:
    case M::DlsIRhTimeCourse:
    case M::CSFf0:
    case M::CSFf0OneDiscrete:
    case M::CSConformationalChange:
    case M::CSFixFf0FloatingVbar:
    case M::CSGeneralScalingLaw:
    case M::CSWormlikeChain:
    case M::CSBimodalFf0:
    case M::CSBimodalFf0OneDiscrete:
    case M::CSWithOneDiscrete:
    case M::CSWithMsTable:
    case M::CSInvariantD:
    case M::NonidealCS:
    case M::HinderedCS:
    case M::CSLinearRods:
      return true;
    default:
      return UsesStandardCSKernel(k);
  }
}

}  // namespace

float ShadingFade(float s, float sLo, float sHi, float width) {
  if (s > sLo && s <= sHi) return 1.0f;
  const float edge = s <= sLo ? sLo : sHi;
  return width > 0 ? std::exp(-(edge - s) * (edge - s) / width) : 0.0f;
}

void DrawPeakShading(TXLAWindow& window, float sLo, float sHi, PeakShadingResult* out) {
  const auto& r = DistributionResult;
  const int n = DistributionSettings.DistGridSize;
  if (static_cast<int>(r.DistSGrid.size()) > n && n >= 1) {
    const float lo = r.DistSGrid[1], hi = r.DistSGrid[static_cast<std::size_t>(n)];
    sLo = std::clamp(sLo, std::min(lo, hi), std::max(lo, hi));
    sHi = std::clamp(sHi, std::min(lo, hi), std::max(lo, hi));
  }
  if (!ShadedModel(ModelSelection.Kind)) return;
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  const auto& fs = DistributionSettings.FlotationSettings;
  const bool floating =
      ModelSelection.Kind == ModelKind::CSFlotation && (fs.FlotationOnly || sHi <= fs.FlotationSmax);
  const float celsius = SolventConditions.BufferTemperature - 273.15f;
  float diffusion;
  if (floating)
    diffusion = fs.FlotationDeconvolutionR ? DFromStokesRadius(fs.FlotationDeconvolutionSize, celsius)
                                           : fs.FlotationDeconvolutionSize;
  else
    diffusion = DFromMass(PeakMolarMass(sLo), celsius);

  const int lastRank = d.ScanTimeOrder[d.NFILES];
  const float omega = static_cast<float>(d.ScanHeaders[lastRank].Rpm * 2.0 * 3.14159265358979 / 60.0);
  const float meniscus = ModelParameters.Meniscus;
  const float reference = floating ? ModelParameters.Bottom : meniscus;
  const bool errorPropagation = ProgramOptions.ErrorPropagationToSw;
  if (out != nullptr) {
    out->First.assign(static_cast<std::size_t>(d.NFILES) + 1, 0);
    out->Last.assign(static_cast<std::size_t>(d.NFILES) + 1, 0);
    out->Amount.assign(static_cast<std::size_t>(d.NFILES) + 1, 0.0f);
  }
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  platform::WindowHost* host = window.Host();
  for (int b = 1; b <= d.NFILES; ++b) {
    const int k = d.ScanTimeOrder[b];
    const auto& h = d.ScanHeaders[k];
    const double t = h.Time;
    const double w2t = h.Omega2t;
    const double m2 = static_cast<double>(meniscus) * meniscus;
    double width = 4e7 * diffusion * 1e19 / (std::pow(omega, 4.0) * t * m2);
    if (d.UsingSpeedSteps) width = 4e7 * diffusion * 1e19 * t / (w2t * w2t * m2);
    const int first = std::max(1, d.ScanFirstFitIndex[k]);
    const int last = std::min(d.ScanPointCount[k], d.ScanLastFitIndex[k]);
    if (last < first) continue;
    OneBasedMatrix<int> colours(1, d.ScanPointCount[k], 1, 3);
    for (int j = 1; j <= d.ScanPointCount[k]; ++j)
      for (int c = 1; c <= 3; ++c) colours[j][c] = kGrey;
    int* firstOut = out ? &out->First[static_cast<std::size_t>(k)] : nullptr;
    int* lastOut = out ? &out->Last[static_cast<std::size_t>(k)] : nullptr;
    for (int j = first; j <= last; ++j) {
      const double radius = d.ScanRadius[k][j];
      const double denominator = d.UsingSpeedSteps ? w2t : static_cast<double>(omega) * omega * t;
      const double sStar = std::log(radius / reference) / denominator;
      const float S = static_cast<float>(1e13 * sStar);
      const bool inside = sStar > sLo * 1e-13 && sStar <= sHi * 1e-13;
      const float f = inside ? 1.0f : ShadingFade(S, sLo, sHi, static_cast<float>(width));
      const int red = kGrey + static_cast<int>(std::floor((255 - kGrey) * f));
      const int other = kGrey + static_cast<int>(std::floor((0 - kGrey) * f));
      colours[j][1] = red;
      colours[j][2] = other;
      colours[j][3] = other;
      if (out == nullptr || floating) continue;
      if (S < sLo) {
        if (f <= kFadeThreshold || (j == first && f > kFadeThreshold)) *firstOut = j;
      } else if (S > sHi) {
        if (j == last && f > kFadeThreshold) {
          if (errorPropagation)
            *firstOut = *lastOut = -1;
          else
            *lastOut = j;
        } else if (j != last && f >= kFadeThreshold) {
          *lastOut = j;
        }
      }
      if (j == last && !errorPropagation && S < sHi) {
        if (S > sLo)
          *lastOut = j;
        else if (f > kFadeThreshold)
          *lastOut = j;
        else
          *firstOut = *lastOut = -1;
      }
    }
    if (out != nullptr && !floating && errorPropagation) {
      const int a = *firstOut, e = *lastOut;
      float amount = 0.0f;
      if (a >= 1 && a < e && e < d.ScanPointCount[k]) {
        double sum = 0.0;
        for (int j = a; j <= e; ++j)
          sum += static_cast<double>(d.ScanResiduals[k][j]) * d.ScanRadius[k][j] *
                 (d.ScanRadius[k][j + 1] - d.ScanRadius[k][j]);
        amount = static_cast<float>(sum / (static_cast<double>(omega) * omega * m2));
      }
      out->Amount[static_cast<std::size_t>(k)] = amount;
    }
    if (plot == nullptr || host == nullptr || d.ScanModel[k].size() < d.ScanPointCount[k]) continue;
    CVector x, y;
    x.AttachFrom(ScanDataSet.ScanRadius[k].data(), static_cast<unsigned>(d.ScanPointCount[k]), 1);
    y.AttachFrom(ScanDataSet.ScanModel[k].data(), static_cast<unsigned>(d.ScanPointCount[k]), 1);
    CCurve curve(&x, &y);
    const platform::Metafile overlay =
        plot->RenderOverlayColoredCurve(curve, first, last, colours.get(), 12, 1);
    display::ReplayInPlotSpace(host->ClientCanvas(), host->ClientSize(), overlay);
  }
  ShowDirectDrawing(window);
}
