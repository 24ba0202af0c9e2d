// Grid point -> species: the sedimentation coefficient, diffusion
// coefficient and molar mass that a grid point of each continuous model
// stands for. The s-based models take s from the grid and derive M and D
// from the frictional ratio (or another hydrodynamic law); the c(M) models
// take M from the grid; the ls-g*(s) models have boundaries without
// diffusion; the models with one discrete species put it at grid point 1.

#include <cmath>
#include <cstddef>

#include "data/DataSetLinks.h"
#include "data/LoadMessages.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/RunContiSed.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Hydrodynamics.h"

namespace {

float& SGrid(int i) {
  return DistributionResult.DistSGrid[static_cast<std::size_t>(i)];
}
float& MGrid(int i) {
  return DistributionResult.DistMGrid[static_cast<std::size_t>(i)];
}

// A species given by s and its molar mass.
GridPointSpecies ByMassAndS(float M, double s, float t) {
  return {s, DFromMassAndS(M, static_cast<float>(s), t), M, false};
}

// A species on the global frictional ratio.
GridPointSpecies ByFrictionalRatio(double s, float t) {
  const float M = CalculateM(static_cast<float>(s));
  return {s, DFromMass(M, t), M, false};
}

// The discrete species at grid point 1 of the models that have one.
GridPointSpecies DiscreteSpecies(ModelKind kind, float t) {
  const auto& ds = DistributionSettings;
  const double s = ds.DiscreteSpeciesS;
  if (kind == ModelKind::CSWithOneDiscrete && !FitControl.MassInsteadOfD) {
    const double D = ds.DiscreteSpeciesD * 1e-7;
    return {s, D, MFromSAndD(static_cast<float>(s), static_cast<float>(D), t), false};
  }
  float M = ds.DiscreteSpeciesMass;
  // Without a mass of its own the species takes the table's, like every
  // other point of the model.
  if (kind == ModelKind::CSWithMsTable && M <= 0 && GridServices.MsTableMolarMass)
    M = static_cast<float>(GridServices.MsTableMolarMass(s));
  return ByMassAndS(M, s, t);
}

// Grid point 1 of the buffer-mismatch model: the buffer component (its
// kernel column is replaced by the signal of both sectors afterwards).
GridPointSpecies BufferSpecies(float t) {
  const auto& b = CorrectionOptions.BufferMismatch;
  const double D = b.BufferD != 0.0 ? std::fabs(b.BufferD) * 1e-7 : 1e-10;
  return {b.BufferS, D, MFromSAndD(static_cast<float>(b.BufferS), static_cast<float>(D), t), false};
}

GridPointSpecies ConvertTwoDimensional(int i, ModelKind kind, float t) {
  auto& g = DistributionGrid;
  const auto p = static_cast<std::size_t>(i);
  const auto& sc = SolventConditions;
  GridPointSpecies x;
  if (i == 1 && kind == ModelKind::CSFf0OneDiscrete) {
    const auto& ds = DistributionSettings;
    g.Grid2DS[p] = ds.DiscreteSpeciesS;
    g.Grid2DM[p] = ds.DiscreteSpeciesMass;
    x.s = g.Grid2DS[p];
    x.M = g.Grid2DM[p];
    x.D = x.M == 0 ? 0.0 : DFromMassAndS(x.M, g.Grid2DS[p], t);
    g.Grid2DFf0[p] = FF0FromMassAndS(x.M, g.Grid2DS[p], sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
  } else {
    x.s = g.Grid2DS[p];
    x.M = g.Grid2DM[p];
    x.D = DFromMassAndS(x.M, g.Grid2DS[p], t);
  }
  g.Grid2DD[p] = static_cast<float>(x.D);
  g.Grid2DStokesRadius[p] = DFromRadius(static_cast<float>(x.D), t) * 1e9f;
  if (x.D == 0) {
    platform::Current().ShowMessageBox({nullptr,
                                        FormatText("error: D = 0 encountered species #%d", i), "",
                                        platform::BoxIcon::None, platform::BoxButtons::Ok});
    x.Refused = true;
  }
  return x;
}

// The s-based and c(M) models, by kind.
GridPointSpecies ConvertOneDimensional(int i, ModelKind kind, float t) {
  const auto& ds = DistributionSettings;
  const double gs = SGrid(i);
  const float gM = MGrid(i);
  switch (kind) {
    case ModelKind::CMPriorVbar: {
      auto& sc = SolventConditions;
      sc.VBAR = VbarFromMass(gM);
      sc.VbarRho = sc.BufferDensity * sc.VBAR;
      const float D = DFromMass(gM, t);
      return {SFromMassAndD(gM, D, t), D, gM, false};
    }
    case ModelKind::CMVariant278: {
      const float s = SFromM(gM);
      return {s, DFromMassAndS(gM, s, t), gM, false};
    }
    case ModelKind::CMInvariantD: {
      // M is a buoyant mass here: s = M_b D/(R T) without (1 − vbar rho).
      const double D = ds.StartingFrictionalRatio * 1e-7;
      return {1e13 * gM * D / ((t + 273.15) * kGasConstant), D, gM, false};
    }
    case ModelKind::ElectrophoresisCV:
      return {gs, ds.ConstantD * 1e-7, gM, false};
    case ModelKind::LsGStar:
    case ModelKind::ZoneLsGStar:
    case ModelKind::ElectrophoresisLsGStar:  // the grid holds velocities
      return {gs, 0.0, gM, false};
    case ModelKind::HybridCSLsGStar:
      if (i == 1 && ds.HybridIncludesDiscrete)
        return ByMassAndS(ds.DiscreteSpeciesMass, ds.DiscreteSpeciesS, t);
      if (gs > ds.HybridSThreshold) return {gs, 0.0, gM, false};
      return ByFrictionalRatio(gs, t);
    case ModelKind::LsGStarOneDiscrete:
      if (i == 1) return ByMassAndS(ds.DiscreteSpeciesMass, ds.DiscreteSpeciesS, t);
      return {gs, 0.0, gM, false};
    case ModelKind::ContinuousCS:
    case ModelKind::ZoneCS:
      return ByFrictionalRatio(gs, t);
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
      if (i == 1 && kind == ModelKind::CSBimodalFf0OneDiscrete)
        return ByMassAndS(ds.DiscreteSpeciesMass, ds.DiscreteSpeciesS, t);
      if (gs >= ds.SecondRangeSmin && gs <= ds.SecondRangeSmax) {
        const float M = CalculateMff02(static_cast<float>(gs), ds.SecondFf0);
        return {gs, DFromMassAndFF0(M, t, ds.SecondFf0), M, false};
      }
      return ByFrictionalRatio(gs, t);
    case ModelKind::CSFlotation:
      return {gs, DFromS(static_cast<float>(gs)), gM, false};
    case ModelKind::CSFixFf0FloatingVbar:
      return ByMassAndS(CalculateM(static_cast<float>(gs)), gs, t);
    case ModelKind::CSGeneralScalingLaw:
      return ByMassAndS(ScalingLawMFromS(static_cast<float>(gs)), gs, t);
    case ModelKind::FMScalingLaw: {
      const float s = ScalingLawSFromM(gM);
      const double D = ds.ScalingNoDeconvolution ? 0.0 : DFromMassAndS(gM, s, t);
      return {s, D, gM, false};
    }
    case ModelKind::CSWormlikeChain:
      return ByMassAndS(MFromSWormLikeChain(static_cast<float>(gs)), gs, t);
    case ModelKind::CSConformationalChange: {
      const bool changed = gs >= ds.ConformationSmin && gs <= ds.ConformationSmax;
      return ByMassAndS(changed ? ds.ConformationMass : CalculateM(static_cast<float>(gs)), gs, t);
    }
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
      if (i == 1 && !IsNonidealCsFamily(kind)) return DiscreteSpecies(kind, t);
      if (kind == ModelKind::CSWithMsTable) {
        const float M = GridServices.MsTableMolarMass
                            ? static_cast<float>(GridServices.MsTableMolarMass(gs))
                            : 1.0f;
        return ByMassAndS(M, gs, t);
      }
      return ByFrictionalRatio(gs, t);
    case ModelKind::CSInvariantD: {
      const double D = ds.InvariantD * 1e-7;
      return {gs, D, MFromSAndD(static_cast<float>(gs), static_cast<float>(D), t), false};
    }
    case ModelKind::CSLinearRods:
      return ByMassAndS(CalculateMofSforLinearRod(static_cast<float>(gs), ds.RodMassPerLength), gs,
                        t);
    default: {
      const float D = DFromMass(gM, t);
      return {SFromMassAndD(gM, D, t), D, gM, false};
    }
  }
}

}  // namespace

GridPointSpecies ConvertGridPoint(int i, ModelKind kind, float t) {
  if (DlsDataMode) {
    GridPointSpecies x;
    if (IsLightScatteringModel(kind)) x.D = std::pow(10.0, MGrid(i));
    return x;
  }
  if (IsTwoDimensionalModel(kind)) return ConvertTwoDimensional(i, kind, t);
  GridPointSpecies x =
      i == 1 && BufferTermInKernel(kind) ? BufferSpecies(t) : ConvertOneDimensional(i, kind, t);
  SGrid(i) = static_cast<float>(x.s);
  MGrid(i) = x.M;
  return x;
}
