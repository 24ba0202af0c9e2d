#pragma once
// Lists of Lamm equations that share everything but s, D and the partial
// specific volume: one configured master solver describes grid and time
// numerics, rotor, scan times, solvent, optics and output radii; the list
// gives each equation's s[i] (S), D[i] (cm^2/s), vbar[i] (ml/g; null: the
// master's) and output rows outputs[i][scan][point]. All arrays are
// one-based, i = 1..count.
//
// The threaded runners solve the list on LammThreadCount worker threads (at
// least one), each taking its next equation from a shared counter (or, with
// LammListFixedShares, worker k the equations with i mod N + 1 = k), and give
// the same numbers as the sequential runner whatever the thread count and
// schedule. A
// failed equation stops its worker and, through ComputationAbort, the
// others before their next equation; the runner reports each failed worker
// in a box after all have exited. Key presses are noticed between the
// starts and joins of the workers. Skipped equations leave their rows as
// they were. Every runner returns 0 or the code of a failed equation as
// Solve defines it, and never changes the master's set-up.

#include <cstdint>

class CLammIdeal;

std::int32_t CLRunMTList(CLammIdeal& master, std::int32_t count, const double* s, const double* D,
                         const double* vbar, float*** outputs, float* radii,
                         std::int32_t pointCount, float** scanRadii, std::int32_t* scanPointCounts);
// One vbar for every equation.
std::int32_t CLRunMTListConst(CLammIdeal& master, std::int32_t count, const double* s,
                              const double* D, float vbar, float*** outputs, float* radii,
                              std::int32_t pointCount, float** scanRadii,
                              std::int32_t* scanPointCounts);
// Equation i starts from profiles[i][1..n] given at profileRadii[1..n].
std::int32_t CLRunMTListInitialProfiles(CLammIdeal& master, std::int32_t count, const double* s,
                                        const double* D, const double* vbar, float*** outputs,
                                        float* radii, std::int32_t pointCount, float** scanRadii,
                                        std::int32_t* scanPointCounts, std::int32_t n,
                                        const float* profileRadii, float** profiles);
std::int32_t CLRunMTListInitialProfilesConst(CLammIdeal& master, std::int32_t count,
                                             const double* s, const double* D, float vbar,
                                             float*** outputs, float* radii,
                                             std::int32_t pointCount, float** scanRadii,
                                             std::int32_t* scanPointCounts, std::int32_t n,
                                             const float* profileRadii, float** profiles);

// The same list solved on the calling thread, equation after equation; the
// copies poll the keyboard themselves.
std::int32_t RunLammListSequential(CLammIdeal& master, std::int32_t count, const double* s,
                                   const double* D, const double* vbar, float*** outputs,
                                   float* radii, std::int32_t pointCount, float** scanRadii,
                                   std::int32_t* scanPointCounts);
std::int32_t RunLammListSequentialConst(CLammIdeal& master, std::int32_t count, const double* s,
                                        const double* D, float vbar, float*** outputs, float* radii,
                                        std::int32_t pointCount, float** scanRadii,
                                        std::int32_t* scanPointCounts);
