#pragma once
// The fluorophores of a multi-component fluorescence experiment with what
// they share: the reset times, a linear drift of the laser power, a radial
// drift of the signal magnification, the diameter of the excitation cone and
// the radius of the detection-cone convolution. It marks which fluorophores
// take part, gathers the adjustable values of the active ones into one list
// for an optimiser and puts them back, turns fit flags into a 0/1 list and
// back, remembers parameter sets to see changes, measures how well the
// active fluorophores' time courses can be told apart, and writes or reads
// the whole set as one flat list of numbers with a name for every entry.
//
// Fluorophores are indexed 1..nFLO. Lists handed out stay owned by the set
// and are valid until the next call that makes a list.

#include <cstdint>
#include <string>
#include <vector>

#include "lamm/CFluorophore.h"
#include "numerics/OneBasedArrays.h"

class CAllFluorophores {
 public:
  CAllFluorophores() = default;

  void SetNumberOfFluorophores(int n);
  void SetResetTimes(int n, const float* times);

  int CountAdjustableParameters() const;
  // The adjustable values of the active fluorophores in index order, then
  // the laser values whose flags are set; list[1..count].
  const float* CreateListOfAdjustableParameters(int& count);
  bool ApplyListOfAdjustableParameters(const float* values, int n);
  // One 0/1 entry per value that could be adjusted; list[1..count].
  const std::int32_t* CreateListOfVariation(int& count);
  bool ApplyListOfVariation(const std::int32_t* values, int n);

  void NormalizeAll();
  int UpdateActiveList();
  bool HasDegenerateTimeCourses();
  bool DidFluorophoreParameterChange(int i) const;
  void RememberParameters(int i);
  void RememberAll();

  // The flat list. With capacity 0 on entry it only counts: capacity
  // receives the number of entries and the list is empty. Otherwise it holds
  // up to capacity entries; names (when given) receives the name of each of
  // the first nameCapacity entries.
  std::vector<float> CreateFullList(int& capacity, std::vector<std::string>* names,
                                    int nameCapacity) const;
  // Reads a flat list back; false (the rest left as it was) when the list
  // ends before its own counts say.
  bool ApplyFullList(const float* list, int length);

  // Condition number lambda_1/lambda_m of the weighted Gram matrix of the
  // active fluorophores' time courses (channel 1) at times[1..count] with
  // weights[1..count]; eigenvalues[1..m], courses[1..m][1..count] and
  // gram[1..m][1..m] are filled when given.
  double TimeCourseConditionNumber(const double* times, const double* weights, int count,
                                   float* eigenvalues, float** courses, double** gram);

  std::int32_t nFLO = 0;
  std::vector<CFluorophore> pFLO;         // [1..nFLO]
  std::vector<CFluorophore> Remembered;   // [1..nFLO]
  std::vector<std::uint8_t> IsActive;     // [1..nFLO]
  std::vector<std::int32_t> ActiveList;   // [1..nActive]
  std::vector<std::int32_t> ActiveIndex;  // [1..nFLO], 0 when inactive
  std::int32_t nActive = 0;
  std::int32_t nresettimes = 0;
  OneBasedArray<float> pResetTimes;
  std::uint8_t bFitLaserPowerTimeDrift = 0;
  float LaserPowerTimeDrift = 0.0f;  // per hour
  std::uint8_t bFitRadialSigMagDrift = 0;
  float RadialSigMagDrift = 1.0f;
  std::uint8_t bFitLaserConeDiameter = 0;
  float LaserConeDiameter = 0.12f;  // cm
  float ConvolutionRadius = 0.02f;  // cm
  float ConvolutionSigmas = 2.0f;

 private:
  int LaserFlagCount() const;
  std::vector<float> ListBuffer;
  std::vector<std::int32_t> FlagBuffer;
};
