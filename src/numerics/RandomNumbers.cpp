#include "numerics/RandomNumbers.h"

#include <cmath>
#include <ctime>

#include "numerics/OneBasedArrays.h"

std::uint32_t TimeSeed() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

CombinedRandomState::CombinedRandomState(std::uint32_t seed)
    : u_(seed ^ 2244614371u), v_(2244614371u), w1_(521288629u), w2_(362436069u) {
  Next();
  v_ = u_;
  Next();
}

std::uint32_t CombinedRandomState::Next() {
  u_ = u_ * 2891336453u + 1640531513u;
  v_ ^= v_ >> 13;
  v_ ^= v_ << 17;
  v_ ^= v_ >> 5;
  w1_ = 33378u * (w1_ & 0xffffu) + (w1_ >> 16);
  w2_ = 57225u * (w2_ & 0xffffu) + (w2_ >> 16);
  std::uint32_t x = u_ ^ (u_ << 9);
  x ^= x >> 17;
  x ^= x << 6;
  std::uint32_t y = w1_ ^ (w1_ << 17);
  y ^= y >> 15;
  y ^= y << 5;
  return (x + v_) ^ (y + w2_);
}

template <class Real>
Real PolarGaussian<Real>::Draw(Real sigma) {
  if (spareWaiting_) {
    spareWaiting_ = false;
    return spare_ * sigma;
  }
  double a, b, r;
  do {
    a = 2.0 * state_.Uniform() - 1.0;
    b = 2.0 * state_.Uniform() - 1.0;
    r = a * a + b * b;
  } while (r >= 1.0 || r == 0.0);
  const double f = std::sqrt(-2.0 * std::log(r) / r);
  spare_ = static_cast<float>(a * f);
  spareWaiting_ = true;
  return static_cast<Real>(b * f * sigma);
}

template class PolarGaussian<float>;
template class PolarGaussian<double>;

namespace {

constexpr std::int32_t kModulus = 2147483647;  // 2^31 - 1
constexpr std::int32_t kMultiplier = 16807;
constexpr std::int32_t kQuotient = 127773;  // kModulus / kMultiplier
constexpr std::int32_t kRemainder = 2836;   // kModulus % kMultiplier
constexpr std::int32_t kTableSize = 32;
constexpr std::int32_t kTableDivisor = 1 + (kModulus - 1) / kTableSize;
constexpr float kLargestResult = 0.9999998807907104f;  // 1 - 2^-23

}  // namespace

void MinimalStandardStep(std::int32_t& s) {
  const std::int32_t k = s / kQuotient;
  s = kMultiplier * (s - k * kQuotient) - kRemainder * k;
  if (s < 0) s += kModulus;
}

float ShuffledMinimalStandard::Draw(std::int32_t& seed) {
  if (seed <= 0 || last_ == 0) {
    // Reduced into the generator's range 1..kModulus-1; 0 would be a fixed
    // point of the generator.
    const std::int64_t start = seed <= -1 ? -static_cast<std::int64_t>(seed) % kModulus : 1;
    seed = start == 0 ? 1 : static_cast<std::int32_t>(start);
    // Eight warm-up steps, then 32 that fill the table from its end.
    for (int j = kTableSize + 7; j >= 0; --j) {
      MinimalStandardStep(seed);
      if (j < kTableSize) table_[j] = seed;
    }
    last_ = table_[0];
  }
  MinimalStandardStep(seed);
  const int j = last_ / kTableDivisor;
  last_ = table_[j];
  table_[j] = seed;
  const double value = static_cast<double>(last_) / kModulus;
  return value > 0.99999988 ? kLargestResult : static_cast<float>(value);
}

namespace {
// The clock-seeded sources, created at first use.
PolarGaussian<float>& GaussianSource() {
  static PolarGaussian<float> source(TimeSeed());
  return source;
}
PolarGaussian<double>& GaussianSourceD() {
  static PolarGaussian<double> source(TimeSeed());
  return source;
}
CombinedRandomState& UniformSource() {
  static CombinedRandomState state(TimeSeed());
  return state;
}
}  // namespace

void SeedClockRandomGenerators(std::uint32_t seed) {
  GaussianSource() = PolarGaussian<float>(seed);
  GaussianSourceD() = PolarGaussian<double>(seed);
  UniformSource() = CombinedRandomState(seed);
}

float GaussianRandom(float sigma) { return GaussianSource().Draw(sigma); }

double GaussianRandomD(double sigma) { return GaussianSourceD().Draw(sigma); }

float UniformRandom(float a, float b) {
  const double u = UniformSource().Uniform();
  return static_cast<float>(a + u * (static_cast<double>(b) - a));
}

float SeededUniformRandom(std::int32_t& seed) {
  static ShuffledMinimalStandard stream;
  return stream.Draw(seed);
}

namespace {

// A random index in first..last: the uniform value rounded to the nearest
// integer.
int RandomIndex(int first, int last) {
  return static_cast<int>(
      std::floor(UniformRandom(static_cast<float>(first), static_cast<float>(last)) + 0.5f));
}

// floor(last * fraction), kept to what an int loop can count; nothing for a
// negative or undefined fraction.
long long DrawCount(int last, float fraction) {
  const double count = std::floor(static_cast<double>(last) * fraction);
  if (!(count >= 1.0)) return 0;
  return count < 1e15 ? static_cast<long long>(count) : 1000000000000000LL;
}

}  // namespace

int RandomSwaps(int* p, int first, int last, float fraction) {
  if (p == nullptr || first < 1 || last < first) return 0;
  const long long swaps = DrawCount(last, fraction);
  for (long long k = 0; k < swaps; ++k) {
    const int i = RandomIndex(first, last);
    const int j = RandomIndex(first, last);
    if (i == j || i < first || i > last || j < first || j > last) continue;
    const int held = p[i];
    p[i] = p[j];
    p[j] = held;
  }
  return 1;
}

int RandomPermutation(int* p, int first, int last, float fraction) {
  if (p == nullptr || first < 1 || last < first) return 0;
  if (last == first) {
    p[first] = first;
    return 1;
  }
  OneBasedArray<char> used(1, last);
  for (int i = 1; i < first; ++i) {
    p[i] = i;
    used[i] = 1;
  }
  const long long target = DrawCount(last, fraction);
  long long usedCount = first - 1;
  int next = first;
  const long long tries = static_cast<long long>(last - first) * 10;
  for (long long k = 0; k < tries && usedCount < target; ++k) {
    const int r = RandomIndex(first, last);
    if (r < first || r > last || used[r]) continue;
    p[next++] = r;
    used[r] = 1;
    ++usedCount;
  }
  for (int value = first; value <= last; ++value)
    if (!used[value]) p[next++] = value;
  return 1;
}
