#pragma once
// The Lamm equation of one species whose s and D depend on the total
// concentration of all species in the cell, ctot(r, t), given from outside:
// as a mean-field table of the radii at which ctot reaches equally spaced
// levels at a series of times, or as the caller's total-concentration
// solution of a previous iteration (rows on this solver's grid). Because
// ctot does not depend on the species' own solution, the equation stays
// linear: every step takes the coefficients of each node from ctot at the
// middle of the step (through the hard-sphere factors of the volume
// fraction, or linear ks and kd) and makes one Crank-Nicolson step on the
// fixed grid with the active window of the ideal solver.
//
// Set up as a CLammIdeal, then SetNonidealModel, then SetMeanField or
// SetCtotFromSolution; Solve refuses the run (code 6) until one of them has
// succeeded. The non-ideal c(s) kernel uses one configured solver as the
// master of its list; each worker copy owns its own table and shares the
// attached rows read-only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lamm/CLammIdeal.h"

class CLammNonIdeal : public CLammIdeal {
 public:
  CLammNonIdeal();
  // A private copy of a configured master: its set-up, its own copy of the
  // mean-field table, the attached solution shared.
  explicit CLammNonIdeal(const CLammNonIdeal& master);
  CLammNonIdeal& operator=(const CLammNonIdeal&) = delete;
  ~CLammNonIdeal() override;

  void ChooseMethod() override;
  void ChooseGridSize() override;
  void Propagate() override;
  std::unique_ptr<CLammIdeal> NewCopy() const override;

  // --- Set-up ---
  // paramS, paramD: log10 ks and kd (linear model) or the volume correction
  // factor k and the Baxter temperature tau (hard spheres); scale: signal
  // units per mg/ml.
  void SetNonidealModel(float paramS, float paramD, double scale, std::uint8_t hardSphere,
                        std::uint8_t sticky);
  // a times by b levels: rows[1..a][1..b] the radius (cm) of each level at
  // each time, times[1..a] (s, increasing), levels[1..b] (equally spaced by
  // levelStep); prefix of the ctot diagnostics files. False (and the run
  // refused) when the table cannot be had.
  bool SetMeanField(std::int32_t a, std::int32_t b, const double* const* rows, const double* times,
                    const double* levels, double levelStep, const char* prefix);
  // Borrowed total-concentration rows[1..a][1..n] at times[1..a]; attached
  // only when n is this solver's DefaultGridSize.
  void SetCtotFromSolution(std::int32_t a, std::int32_t n, float** rows, double* times);
  bool AllocateMeanField(std::int32_t a, std::int32_t b);
  void FreeMeanField();

  // --- Run ---
  void NonIdealLammTimeLoop();
  double NonIdealLammStep();
  void NonIdealCNStep(double dt);
  void NonIdealAdvance();
  // The concentration range up to which the factors are treated as linear.
  void FindLinearRange();
  void NodeCoefficientsFromTotal(double t);
  void TotalConcentrationAt(double t);
  void TotalConcentrationFromSolution(double t);
  void WriteCtotFile(double t, std::int32_t source);

  // --- Mean-field table ---
  std::int32_t MeanFieldTimeCount = 0;
  std::int32_t MeanFieldLevelCount = 0;
  double MeanFieldLevelStep = 0.0;
  std::vector<double*> MeanFieldRows;  // [1..a], each [1..b]
  double* MeanFieldTimes = nullptr;    // [1..a], s
  double* MeanFieldLevels = nullptr;   // [1..b], signal units
  double* MeanFieldWorkRadii = nullptr;
  std::uint8_t MeanFieldLoaded = 0;

  // --- Attached solution (borrowed) ---
  float** AttachedRows = nullptr;
  double* AttachedTimes = nullptr;
  std::int32_t AttachedTimeCount = 0;
  std::int32_t AttachedGridSize = 0;
  std::uint8_t SolutionAttached = 0;

  // --- Diagnostics files of ctot ---
  std::uint8_t WriteCtotFiles = 0;
  std::string CtotFilePrefix;
  std::int32_t CtotFileCounter = 0;
  std::int32_t CtotTraceEquation = 1;

  // --- Time bracket of the table or attached rows ---
  std::int32_t PreviousTimeIndex = 0, TimeCursor = 1;
  double PreviousTime = 0.0, NextTime = 0.0, TimeFraction = 0.0;
  double PreviousValue = 0.0, NextValue = 0.0;

  // --- Linear range and exact evaluations ---
  double LinearRangeLimit = -1.0;  // mg/ml
  double LinearKs = -1.0, LinearKd = -1.0;
  float LastVolumeFraction = -1.0f;
  float InterpolationTolerance = 0.01f;

 private:
  std::vector<double> MeanFieldBlock;
};
