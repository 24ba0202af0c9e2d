#pragma once
// Random numbers: Gaussian noise for synthetic data, saved fits and Monte
// Carlo replicas; the reproducible uniform stream of the simulated-annealing
// optimisers, whose callers keep the seed; random reorderings of int lists.
//
// The clock-seeded operations (GaussianRandom, GaussianRandomD,
// UniformRandom) each own a combined generator created at its first call from
// TimeSeed and never seeded again. The generators keep unsynchronised state
// and are called from the user-interface thread only.

#include <cstdint>

// The calendar time in whole seconds.
std::uint32_t TimeSeed();

// A combined generator of four 32-bit words: a linear congruential step, an
// xorshift and two multiply-with-carry steps, mixed by further xorshifts
// (after the combined generators of Marsaglia and of Press et al.).
class CombinedRandomState {
 public:
  explicit CombinedRandomState(std::uint32_t seed);
  // One step; the 32 bits of its output.
  std::uint32_t Next();
  // The output scaled into [0, 1).
  double Uniform() { return Next() * 2.3283064365386963e-10; }

 private:
  std::uint32_t u_ = 0, v_ = 0, w1_ = 0, w2_ = 0;
};

// Normal deviates by the polar form of the Box-Muller method. Each polar draw
// gives two deviates: one is returned, the other waits as the spare (kept in
// single precision) and is returned, scaled by that call's sigma, at the next
// call.
template <class Real>
class PolarGaussian {
 public:
  explicit PolarGaussian(std::uint32_t seed) : state_(seed) {}
  Real Draw(Real sigma);

 private:
  CombinedRandomState state_;
  float spare_ = 0.0f;
  bool spareWaiting_ = false;
};

extern template class PolarGaussian<float>;
extern template class PolarGaussian<double>;

// Park and Miller's minimal-standard generator s <- 16807 s mod (2^31 - 1),
// by Schrage's factorisation so that nothing overflows 32 bits.
void MinimalStandardStep(std::int32_t& s);

// The minimal-standard generator behind a shuffle table of 32 entries
// (Bays and Durham), which breaks up its serial correlations.
class ShuffledMinimalStandard {
 public:
  // A value in (0, 1), at most 0.9999998807907104. A seed <= 0, or any seed
  // while the table is still empty, builds the table anew: from -seed for a
  // seed <= -1, else from 1. The seed is the sequence state and changes.
  float Draw(std::int32_t& seed);

 private:
  std::int32_t table_[32] = {};
  std::int32_t last_ = 0;
};

// A normally distributed value with mean 0 and standard deviation sigma.
float GaussianRandom(float sigma);
double GaussianRandomD(double sigma);
// Uniform in [a, b).
float UniformRandom(float a, float b);
// Restarts the three clock-seeded sources from a fixed seed, so that a test
// (or a reproducible run) draws the same numbers every time. The program
// itself keeps clock seeding.
void SeedClockRandomGenerators(std::uint32_t seed);
// The program-wide shuffled stream; the caller keeps the seed between calls
// and passes a negative seed to start a new sequence.
float SeededUniformRandom(std::int32_t& seed);

// About last*fraction exchanges of random pairs among p[first..last].
// Returns 1, or 0 without doing anything when p is null, first < 1 or
// last < first.
int RandomSwaps(int* p, int first, int last, float fraction);
// p[i] = i below first, and from first on a permutation of first..last whose
// leading part is drawn at random until last*fraction values (those below
// first included) are placed, the rest following in ascending order. Returns
// 1, or 0 without doing anything when p is null, first < 1 or last < first.
int RandomPermutation(int* p, int first, int last, float fraction);
