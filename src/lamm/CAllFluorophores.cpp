#include "lamm/CAllFluorophores.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "numerics/Jacobi.h"
#include "ui/Boxes.h"

namespace {

std::string Name(const char* format, int a = 0, int b = 0, int c = 0) {
  char text[80];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Appends entries with their names to a flat list, counting all of them but
// storing only as many as fit.
struct FlatWriter {
  std::vector<float>* values;
  std::vector<std::string>* names;
  int capacity, nameCapacity;
  int count = 0;
  void Put(double value, const std::string& name) {
    ++count;
    if (values && count <= capacity) values->push_back(static_cast<float>(value));
    if (names && count <= nameCapacity) names->push_back(name);
  }
};

// Reads a flat list front to back; past its end every read fails.
struct FlatReader {
  const float* list;
  int length;
  int next = 0;
  bool Get(float& v) {
    if (!list || next >= length) return false;
    v = list[next++];
    return true;
  }
  bool Skip(int n) {
    if (n < 0 || next + n > length) return false;
    next += n;
    return true;
  }
  bool Has(int n) const { return n >= 0 && next + n <= length; }
  float Peek(int offset) const { return list[next + offset]; }
};

bool Flag(float v) {
  return std::fabs(v - 1.0f) <= 1e-6f;
}

// The entries of one fluorophore's beam block before its initial-burn points
// (bBurning .. nInitialBurn), and after them (BurnAsym .. bFitBurnRate2Fract).
constexpr int kBeamHead = 15, kBeamTail = 8;
// Position of BurnCenterRadius and of nInitialBurn within the head.
constexpr int kCentreOffset = 9, kInitialBurnCountOffset = 14;

void ReadBeamBlock(CFluorophore& f, FlatReader& r) {
  float v = 0.0f;
  const auto d = [&](double& field) {
    r.Get(v);
    field = v;
  };
  const auto b = [&](std::uint8_t& field) {
    r.Get(v);
    field = Flag(v);
  };
  b(f.bBurning);
  b(f.bWithBurnReset);
  d(f.BurnStartTime);
  d(f.BurnEndTime);
  d(f.BurnResetTime);
  d(f.BurnBeamWidth);
  d(f.BurnDepth);
  d(f.BurnRate);
  b(f.bFitBurnRate);
  d(f.BurnCenterRadius);
  b(f.bFitBurnCenterRadius);
  d(f.BurnZone);
  b(f.bFitBurnZone);
  b(f.bWithInitialBurn);
  r.Get(v);
  const int points = std::max(static_cast<int>(v), 0);
  f.nInitialBurn = points;
  f.pInitialBurnFact = OneBasedArray<double>(1, points);
  f.pInitialBurnRad = OneBasedArray<double>(1, points);
  for (int k = 1; k <= points; ++k) {
    d(f.pInitialBurnFact[k]);
    d(f.pInitialBurnRad[k]);
  }
  d(f.BurnAsym);
  b(f.bFitBurnAsym);
  d(f.BurnCenterRadius2);
  b(f.bFitBurnCenterRadius2);
  d(f.BurnZone2);
  b(f.bFitBurnZone2);
  d(f.BurnRate2Fract);
  b(f.bFitBurnRate2Fract);
  if (!f.bBurning) {
    // A beam switched off keeps usable values for when it is switched on.
    const auto orDefault = [](double& field, double value) {
      if (field == 0) field = value;
    };
    orDefault(f.BurnResetTime, -1);
    orDefault(f.BurnBeamWidth, 0.01);
    orDefault(f.BurnDepth, 0.4);
    orDefault(f.BurnCenterRadius, 6.5);
    orDefault(f.BurnZone, 0.1);
    orDefault(f.BurnAsym, 0.1);
    orDefault(f.BurnCenterRadius2, 6.5);
    orDefault(f.BurnZone2, 0.3);
  }
}

}  // namespace

void CAllFluorophores::SetNumberOfFluorophores(int n) {
  if (n <= 0 || n == nFLO) return;
  std::vector<CFluorophore> fluorophores(static_cast<std::size_t>(n) + 1);
  std::vector<std::uint8_t> active(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= std::min(n, nFLO); ++i) {
    pFLO[static_cast<std::size_t>(i)].CopyTo(&fluorophores[static_cast<std::size_t>(i)]);
    active[static_cast<std::size_t>(i)] = IsActive[static_cast<std::size_t>(i)];
  }
  pFLO.swap(fluorophores);
  IsActive.swap(active);
  Remembered.assign(static_cast<std::size_t>(n) + 1, CFluorophore());
  ActiveIndex.assign(static_cast<std::size_t>(n) + 1, 0);
  ActiveList.assign(1, 0);
  nActive = 0;
  nFLO = n;
}

void CAllFluorophores::SetResetTimes(int n, const float* times) {
  if (n < 0 || (n > 0 && !times)) return;
  nresettimes = n;
  pResetTimes = OneBasedArray<float>(1, n);
  for (int k = 1; k <= n; ++k) pResetTimes[k] = times[k];
  for (int i = 1; i <= nFLO; ++i) pFLO[static_cast<std::size_t>(i)].SetResetTimes(n, times);
}

int CAllFluorophores::LaserFlagCount() const {
  return (bFitLaserPowerTimeDrift ? 1 : 0) + (bFitRadialSigMagDrift ? 1 : 0) +
         (bFitLaserConeDiameter ? 1 : 0);
}

int CAllFluorophores::CountAdjustableParameters() const {
  int count = LaserFlagCount();
  for (int i = 1; i <= nFLO; ++i)
    if (IsActive[static_cast<std::size_t>(i)])
      count += pFLO[static_cast<std::size_t>(i)].CountAdjustableParameters();
  return count;
}

const float* CAllFluorophores::CreateListOfAdjustableParameters(int& count) {
  count = 0;
  if (nFLO < 1) return nullptr;
  const CFluorophore& first = pFLO[1];
  const int b = (first.ScalarParameterSlots + nresettimes) * nFLO * first.nWavelengths;
  if (static_cast<int>(ListBuffer.size()) < b + 4 + 1) ListBuffer.assign(b + 5 + 1, 0.0f);
  float* list = ListBuffer.data();  // list[1..]
  const int capacity = static_cast<int>(ListBuffer.size()) - 1;
  for (int i = 1; i <= nFLO; ++i) {
    if (!IsActive[static_cast<std::size_t>(i)]) continue;
    count += pFLO[static_cast<std::size_t>(i)].CreateListOfAdjustableParameters(capacity - count,
                                                                                list + count);
  }
  if (bFitLaserPowerTimeDrift) list[++count] = LaserPowerTimeDrift;
  if (bFitRadialSigMagDrift) list[++count] = RadialSigMagDrift;
  if (bFitLaserConeDiameter) list[++count] = LaserConeDiameter;
  return list;
}

bool CAllFluorophores::ApplyListOfAdjustableParameters(const float* values, int n) {
  if (!values || n != CountAdjustableParameters()) {
    ErrorBox("wrong number of parameters in CAllFluorophores::ApplyListOfAdjustableParameters");
    return false;
  }
  bool accepted = true;
  int used = 0;
  for (int i = 1; i <= nFLO; ++i) {
    if (!IsActive[static_cast<std::size_t>(i)]) continue;
    CFluorophore& f = pFLO[static_cast<std::size_t>(i)];
    const int share = f.CountAdjustableParameters();
    accepted = f.ApplyListOfAdjustableParameters(values + used, share) && accepted;
    used += share;
  }
  if (bFitLaserPowerTimeDrift) LaserPowerTimeDrift = values[++used];
  if (bFitRadialSigMagDrift) RadialSigMagDrift = values[++used];
  if (bFitLaserConeDiameter) LaserConeDiameter = values[++used];
  return accepted;
}

const std::int32_t* CAllFluorophores::CreateListOfVariation(int& count) {
  std::vector<std::int32_t>& list = FlagBuffer;
  list.assign(1, 0);
  for (int i = 1; i <= nFLO; ++i) {
    if (!IsActive[static_cast<std::size_t>(i)]) continue;
    CFluorophore& f = pFLO[static_cast<std::size_t>(i)];
    list.push_back(f.bFitRateConstants);
    list.push_back(f.bFitSteadyStateLevels);
    if (f.bSwitching && f.nResetTimes > 0) {
      f.NormalizeRecoveryLevels();
      for (int k = 1; k <= f.nResetTimes; ++k) list.push_back(f.pbFitRecoveryLevels[k]);
    }
    for (std::uint8_t flag :
         {f.bFitBurnRate, f.bFitBurnCenterRadius, f.bFitBurnZone, f.bFitBurnAsym,
          f.bFitBurnCenterRadius2, f.bFitBurnZone2, f.bFitBurnRate2Fract})
      list.push_back(flag);
  }
  list.push_back(bFitLaserPowerTimeDrift);
  list.push_back(bFitRadialSigMagDrift);
  list.push_back(bFitLaserConeDiameter);
  count = static_cast<int>(list.size()) - 1;
  return list.data();
}

bool CAllFluorophores::ApplyListOfVariation(const std::int32_t* values, int n) {
  int expected = 0;
  CreateListOfVariation(expected);
  if (!values || n != expected) {
    ErrorBox("wrong number of parameters in CAllFluorophores::ApplyListOfVariation");
    return false;
  }
  int next = 0;
  const auto take = [&](std::uint8_t& flag) { flag = values[++next] != 0; };
  for (int i = 1; i <= nFLO; ++i) {
    if (!IsActive[static_cast<std::size_t>(i)]) continue;
    CFluorophore& f = pFLO[static_cast<std::size_t>(i)];
    take(f.bFitRateConstants);
    take(f.bFitSteadyStateLevels);
    if (f.bSwitching && f.nResetTimes > 0)
      for (int k = 1; k <= f.nResetTimes; ++k) take(f.pbFitRecoveryLevels[k]);
    for (std::uint8_t* flag :
         {&f.bFitBurnRate, &f.bFitBurnCenterRadius, &f.bFitBurnZone, &f.bFitBurnAsym,
          &f.bFitBurnCenterRadius2, &f.bFitBurnZone2, &f.bFitBurnRate2Fract})
      take(*flag);
    f.NormalizeRecoveryLevels();
  }
  take(bFitLaserPowerTimeDrift);
  take(bFitRadialSigMagDrift);
  take(bFitLaserConeDiameter);
  return true;
}

void CAllFluorophores::NormalizeAll() {
  for (int i = 1; i <= nFLO; ++i) pFLO[static_cast<std::size_t>(i)].NormalizeRecoveryLevels();
}

int CAllFluorophores::UpdateActiveList() {
  ActiveList.assign(1, 0);
  ActiveIndex.assign(static_cast<std::size_t>(nFLO) + 1, 0);
  for (int i = 1; i <= nFLO; ++i) {
    if (!IsActive[static_cast<std::size_t>(i)]) continue;
    ActiveList.push_back(i);
    ActiveIndex[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(ActiveList.size()) - 1;
  }
  nActive = static_cast<std::int32_t>(ActiveList.size()) - 1;
  return nActive;
}

bool CAllFluorophores::HasDegenerateTimeCourses() {
  UpdateActiveList();
  for (int a = 1; a <= nActive; ++a) {
    const CFluorophore& f = pFLO[static_cast<std::size_t>(ActiveList[static_cast<std::size_t>(a)])];
    if (f.bSwitching) continue;
    for (int b = 1; b <= nActive; ++b) {
      if (b == a) continue;
      const CFluorophore& g =
          pFLO[static_cast<std::size_t>(ActiveList[static_cast<std::size_t>(b)])];
      if (f.pRateConstantsOn[1] == g.pRateConstantsOn[1] &&
          f.pInfTimeSteadyStateOn[1] * g.pInfTimeSteadyStateOn[1] >= 0)
        return true;
    }
  }
  return false;
}

bool CAllFluorophores::DidFluorophoreParameterChange(int i) const {
  if (nActive < 1 || i < 1 || i > nFLO) {
    ErrorBox("ActiveIndex not defined in CFluorophore::DidFluorophoreParameterChange");
    return true;
  }
  return !pFLO[static_cast<std::size_t>(i)].ParametersEqual(
      &Remembered[static_cast<std::size_t>(i)]);
}

void CAllFluorophores::RememberParameters(int i) {
  if (i < 1 || i > nFLO) return;
  pFLO[static_cast<std::size_t>(i)].CopyTo(&Remembered[static_cast<std::size_t>(i)]);
}

void CAllFluorophores::RememberAll() {
  for (int i = 1; i <= nFLO; ++i) RememberParameters(i);
}

std::vector<float> CAllFluorophores::CreateFullList(int& capacity, std::vector<std::string>* names,
                                                    int nameCapacity) const {
  std::vector<float> values;
  const bool counting = capacity == 0;
  FlatWriter w{counting ? nullptr : &values, names, counting ? 10000 : capacity, nameCapacity};
  w.Put(nFLO, "nFLO");
  for (int i = 1; i <= nFLO; ++i)
    w.Put(IsActive[static_cast<std::size_t>(i)], Name("IsActive[%d]", i));
  w.Put(nresettimes, "nresettimes");
  for (int k = 1; k <= nresettimes; ++k) w.Put(pResetTimes[k], Name("pResetTimes[%d]", k));
  w.Put(bFitLaserPowerTimeDrift, "bFitLaserPowerTimeDrift");
  w.Put(LaserPowerTimeDrift, "LaserPowerTimeDrift");
  w.Put(bFitRadialSigMagDrift, "bFitRadialSigMagDrift");
  w.Put(RadialSigMagDrift, "RadialSigMagDrift");
  w.Put(bFitLaserConeDiameter, "bFitLaserConeDiameter");
  w.Put(LaserConeDiameter, "LaserConeDiameter");
  w.Put(ConvolutionRadius, "ConvolutionRadius");
  for (int j = 1; j <= nFLO; ++j) {
    const CFluorophore& f = pFLO[static_cast<std::size_t>(j)];
    const auto put = [&](double v, const char* field) { w.Put(v, Name("pFLO[%d].", j) + field); };
    const auto putIndexed = [&](double v, const char* field, int k) {
      w.Put(v, Name("pFLO[%d].", j) + Name(field, k));
    };
    put(f.nWavelengths, "nWavelengths");
    for (int l = 1; l <= f.nWavelengths; ++l)
      putIndexed(f.pSpecificSignalCoeffs[l], "pSpecificSignalCoeffs[%d]", l);
    for (int l = 1; l <= f.nWavelengths; ++l)
      putIndexed(f.pRateConstantsOn[l], "pRateConstantsOn[%d]", l);
    put(f.bFitRateConstants, "bFitRateConstants");
    for (int l = 1; l <= f.nWavelengths; ++l)
      putIndexed(f.pInfTimeSteadyStateOn[l], "pInfTimeSteadyStateOn[%d]", l);
    put(f.bFitSteadyStateLevels, "bFitSteadyStateLevels");
    put(f.bSwitching, "bSwitching");
    put(f.nResetTimes, "nResetTimes");
    for (int k = 1; k <= f.nResetTimes; ++k) putIndexed(f.pResetTimes[k], "pResetTimes[%d]", k);
    for (int k = 1; k <= f.nResetTimes; ++k)
      for (int l = 1; l <= f.nWavelengths; ++l)
        w.Put(f.ppRecoveryLevels[l][k], Name("pFLO[%d].ppRecoveryLevels[%d][%d]", j, l, k));
    for (int k = 1; k <= f.nResetTimes; ++k)
      putIndexed(f.pbFitRecoveryLevels[k], "pbFitRecoveryLevels[%d]", k);
    put(f.bRecoveryAllSame, "bRecoveryAllSame");
    put(f.AllSameFrom, "AllSameFrom");
    put(f.AllSameTo, "AllSameTo");
    put(f.bRecoveryExponential, "bRecoveryExponential");
    put(f.bBurning, "bBurning");
    put(f.bWithBurnReset, "bWithBurnReset");
    put(f.BurnStartTime, "BurnStartTime");
    put(f.BurnEndTime, "BurnEndTime");
    put(f.BurnResetTime, "BurnResetTime");
    put(f.BurnBeamWidth, "BurnBeamWidth");
    put(f.BurnDepth, "BurnDepth");
    put(f.BurnRate, "BurnRate");
    put(f.bFitBurnRate, "bFitBurnRate");
    put(f.BurnCenterRadius, "BurnCenterRadius");
    put(f.bFitBurnCenterRadius, "bFitBurnCenterRadius");
    put(f.BurnZone, "BurnZone");
    put(f.bFitBurnZone, "bFitBurnZone");
    put(f.bWithInitialBurn, "bWithInitialBurn");
    put(f.nInitialBurn, "nInitialBurn");
    for (int k = 1; k <= f.nInitialBurn; ++k) {
      putIndexed(f.pInitialBurnFact[k], "pInitialBurnFact[%d]", k);
      putIndexed(f.pInitialBurnRad[k], "pInitialBurnRad[%d]", k);
    }
    put(f.BurnAsym, "BurnAsym");
    put(f.bFitBurnAsym, "bFitBurnAsym");
    put(f.BurnCenterRadius2, "BurnCenterRadius2");
    put(f.bFitBurnCenterRadius2, "bFitBurnCenterRadius2");
    put(f.BurnZone2, "BurnZone2");
    put(f.bFitBurnZone2, "bFitBurnZone2");
    put(f.BurnRate2Fract, "BurnRate2Fract");
    put(f.bFitBurnRate2Fract, "bFitBurnRate2Fract");
  }
  if (counting) capacity = w.count;
  return values;
}

bool CAllFluorophores::ApplyFullList(const float* list, int length) {
  FlatReader r{list, length};
  float v = 0.0f;
  // Every count is read from the list itself, so that the entries of one
  // fluorophore never spill into the next; a list that ends early stops the
  // reading where it ends.
  const auto shortList = [&] {
    ErrorBox("the list of fluorophore parameters is too short in CAllFluorophores::ApplyFullList");
    NormalizeAll();
    return false;
  };
  if (!r.Get(v)) return shortList();
  const int n = static_cast<int>(v);
  if (n != nFLO) SetNumberOfFluorophores(n);
  for (int i = 1; i <= nFLO; ++i) {
    if (!r.Get(v)) return shortList();
    IsActive[static_cast<std::size_t>(i)] = Flag(v);
  }
  if (!r.Get(v)) return shortList();
  const int resets = std::max(static_cast<int>(v), 0);
  if (!r.Has(resets + 7)) return shortList();
  std::vector<float> times(static_cast<std::size_t>(resets) + 1, 0.0f);
  for (int k = 1; k <= resets; ++k) r.Get(times[static_cast<std::size_t>(k)]);
  SetResetTimes(resets, times.data());
  const auto flag = [&](std::uint8_t& field) {
    r.Get(v);
    field = Flag(v);
  };
  flag(bFitLaserPowerTimeDrift);
  r.Get(LaserPowerTimeDrift);
  flag(bFitRadialSigMagDrift);
  r.Get(RadialSigMagDrift);
  flag(bFitLaserConeDiameter);
  r.Get(LaserConeDiameter);
  r.Get(ConvolutionRadius);

  for (int j = 1; j <= nFLO; ++j) {
    CFluorophore& f = pFLO[static_cast<std::size_t>(j)];
    if (!r.Get(v)) return shortList();
    // The list's own channel count places the entries; values of channels
    // this fluorophore lacks are passed over.
    const int channels = std::max(static_cast<int>(v), 0);
    const auto channelValues = [&](OneBasedArray<float>& field) {
      for (int l = 1; l <= channels; ++l) {
        r.Get(v);
        if (l <= f.nWavelengths) field[l] = v;
      }
    };
    if (!r.Has(3 * channels + 4)) return shortList();
    channelValues(f.pSpecificSignalCoeffs);
    channelValues(f.pRateConstantsOn);
    flag(f.bFitRateConstants);
    channelValues(f.pInfTimeSteadyStateOn);
    flag(f.bFitSteadyStateLevels);
    flag(f.bSwitching);
    r.Get(v);
    // The shared reset times apply; the fluorophore's own are passed over.
    const int ownResets = std::max(static_cast<int>(v), 0);
    if (!r.Skip(ownResets) || !r.Has(ownResets * channels + ownResets + 4)) return shortList();
    for (int k = 1; k <= ownResets; ++k)
      for (int l = 1; l <= channels; ++l) {
        r.Get(v);
        if (k <= f.nResetTimes && l <= f.nWavelengths) f.ppRecoveryLevels[l][k] = v;
      }
    for (int k = 1; k <= ownResets; ++k) {
      r.Get(v);
      if (k <= f.nResetTimes) f.pbFitRecoveryLevels[k] = Flag(v);
    }
    flag(f.bRecoveryAllSame);
    r.Get(v);
    f.AllSameFrom = static_cast<std::int32_t>(v);
    r.Get(v);
    f.AllSameTo = static_cast<std::int32_t>(v);
    flag(f.bRecoveryExponential);
    // The beam block: its initial-burn count sizes it.
    if (!r.Has(kBeamHead)) return shortList();
    const int points = std::max(static_cast<int>(r.Peek(kInitialBurnCountOffset)), 0);
    const int block = kBeamHead + 2 * points + kBeamTail;
    if (!r.Has(block)) return shortList();
    const float centre = r.Peek(kCentreOffset);
    if (centre > 5.0f && centre < 8.0f) {
      ReadBeamBlock(f, r);
    } else {
      f.bBurning = 0;
      r.Skip(block);
    }
  }
  NormalizeAll();
  return true;
}

double CAllFluorophores::TimeCourseConditionNumber(const double* times, const double* weights,
                                                   int count, float* eigenvalues, float** courses,
                                                   double** gram) {
  const int m = UpdateActiveList();
  if (m == 0) return 0.0;
  if (m == 1) return 1.0;
  OneBasedMatrix<double> F(1, m, 1, std::max(count, 1)), G(1, m, 1, m), V(1, m, 1, m);
  for (int i = 1; i <= m; ++i) {
    const CFluorophore& f = pFLO[static_cast<std::size_t>(ActiveList[static_cast<std::size_t>(i)])];
    for (int j = 1; j <= count; ++j) F[i][j] = f.RelativeBrightness(1, times[j]);
  }
  for (int i = 1; i <= m; ++i)
    for (int k = 1; k <= m; ++k) {
      double sum = 0.0;
      for (int j = 1; j <= count; ++j) sum += weights[j] * F[i][j] * F[k][j];
      G[i][k] = sum;
      if (gram) gram[i][k] = sum;
    }
  OneBasedArray<double> d(1, m);
  int rotations = 0;
  djacobi(G.get(), m, d.data(), V.get(), rotations);
  dsorteig(d.data(), V.get(), m);
  if (eigenvalues)
    for (int i = 1; i <= m; ++i) eigenvalues[i] = static_cast<float>(d[i]);
  if (courses)
    for (int i = 1; i <= m; ++i)
      for (int j = 1; j <= count; ++j) courses[i][j] = static_cast<float>(F[i][j]);
  return d[m] <= 0 ? 0.0 : d[1] / d[m];
}
