#pragma once
// The M* transformation of sedimentation-equilibrium data and the apparent
// molar masses derived from it. Every loaded scan is one data set: one cell
// at one rotor speed at equilibrium. Per set it computes, molar masses in
// kDa:
//   - the signal extrapolated to the meniscus (Ja for interference, A0 for
//     absorbance data), baseline removed;
//   - M*(r) = (c - c_m) / (2k int_m^r (c - c_m) r dr + k c_m (r^2 - m^2)),
//     which for any mixture tends at the bottom to the weight-average molar
//     mass of the whole loading (Mwavg, found by extrapolating M* there);
//   - ln(c) against r^2, smoothed, and its straight-line fit, whose slope
//     over k is a second molar mass;
//   - the local apparent weight-average molar mass in the forms
//     (1/k) dln c/dr^2 and (1/k)(1/2)(1/(c r)) dc/dr;
//   - with c(M) smoothing the same from the fitted c(M) model curves.
// k = (1 - vbar rho) omega^2 / (2 R T) of the set's rotor speed.
//
// All arrays are one-based over the set's points after the extension of
// the data to the meniscus and the bottom; they are rebuilt by every
// recompute, so the screen re-attaches its plot views afterwards.

#include <vector>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

struct MStarDataSet {
  int SetPointCount = 0;
  OneBasedArray<float> Radius;      // cm, with the extension points
  OneBasedArray<float> Signal;      // 0 at extension points
  OneBasedArray<float> CMSignal;    // c(M) model values between meniscus and bottom
  OneBasedArray<float> MStarInput;  // the signal M*, ln c and the loading use
  int MeniscusExtension = 0;        // points put before the first data point
  int FirstFit = 0, LastFit = 0;    // 1-based fit range in the extended arrays
  int NearMeniscus = 0, NearBottom = 0;  // 0-based points nearest to them
  OneBasedArray<float> MStar, MStarCM, RSquared;
  OneBasedArray<float> LnC, LnCSmoothed, Conc, ConcSmoothed, LnCLine, LnCCM;
  OneBasedArray<float> MwAppLog, MwAppGrad, MwAppCM;
  OneBasedArray<float> MeniscusCurveX{1, 100}, MeniscusCurveY{1, 100};
  OneBasedArray<float> BottomCurveX{1, 100}, BottomCurveY{1, 100};
  float KFactor = 0.0f;       // 1/(g/mol cm^2)
  float MeniscusValue = 0.0f;  // signal units, baseline removed, >= 0
  float MwLinear = 0.0f;       // kDa
  float MwAvg = 0.0f;          // kDa
};

struct MStarDataRecord {
  OneBasedArray<MStarDataSet> Sets;  // 1..Count
  int Count = 0;                     // 0: no arrays
};

extern MStarDataRecord MStarData;

// Points of the even grid that the smoothing of a set's curves resamples to.
inline constexpr int kSmoothingGrid = 1000;

// A radial interval [R1, R2] in cm.
struct RadialBasis {
  float R1 = 0.0f, R2 = 0.0f;
};

struct MStarSettingsRecord {
  RadialBasis MeniscusBasis;
  RadialBasis BottomBasis;
  int MeniscusOrder = 2;      // also the order of the loading integral's extrapolation
  int BottomOrder = 2;
  int SmoothHalfWindow = 20;  // points of the 1000-point resampled grid
  int SmoothOrder = 1;        // 1: moving average
  int BoxHalfWindow = 10;     // data points of the shown Mw,app's moving average
  bool MeniscusValueFixed = false;
  bool CMSmoothing = false;
  bool MwAppGradientForm = true;  // the (1/2)(1/(c r)) dc/dr form is shown
  bool AskCMRange = true;         // the c(M) run asks for its molar-mass range
};

extern MStarSettingsRecord MStarSettings;

// The text of the box for a basis that holds too few points for its order.
inline constexpr const char* kExtrapolationOrderError =
    "Error: extrapolation order higher than number of data points";

// True when a Savitzky-Golay half-window and order can be used: at least one
// point on each side, an order not above the half-window (the edge points
// need order + 1 points), and a window that fits the 1000-point grid.
bool SmoothingWindowAcceptable(int halfWindow, int order);

// The baseline of set i: its radial-invariant offset with individual
// baselines, else the common Baseline.
float SetBaseline(int i);

// Copies the loaded scans into the sets, extended by 0.001 cm steps of
// signal 0 to the meniscus and the bottom. With c(M) smoothing and data that
// had to be extended, shows the "MISSING DATA" box and returns false (the
// caller switches c(M) smoothing off).
bool PrepareMStarData(platform::WindowHandle window);
// Releases every set.
void FreeMStarData();

// Keeps the fit limits inside meniscus and bottom and the two bases inside
// the fit limits (each swapped when reversed); the scans' fit indices follow.
void ClampMStarLimits();
// FirstFit, LastFit, NearMeniscus and NearBottom of set i from the scans'
// current fit indices.
void UpdateSetIndices(int i);

// The points of a basis into x[1..count], y[1..count] (element 0 unused):
// from the first point at or beyond R1 to the last at or below R2, the
// scan stopping at the first point beyond R2. Returns count.
int BasisPoints(const MStarDataSet& set, const RadialBasis& basis,
                const OneBasedArray<float>& values, std::vector<double>& x,
                std::vector<double>& y);

void ExtrapolateToMeniscus(int i);
void ComputeMStar(int i);
void ComputeLnC(int i);
void FitLnCLine(int i);
void ComputeMwApp(int i);
void ExtrapolateMStarToBottom(int i);

// The numerical recompute of every set (no display): PrepareMStarData, the
// clamps, then per set the curve grids, the extrapolations, M*, ln c, the
// straight line and Mw,app. False when PrepareMStarData refused.
bool RecomputeMStarSets(platform::WindowHandle window);

// The shown Mw,app form of set i.
const OneBasedArray<float>& ShownMwApp(const MStarDataSet& set);
