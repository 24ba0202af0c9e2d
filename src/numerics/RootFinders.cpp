#include "numerics/RootFinders.h"

#include "state/ProgramFlags.h"
#include "numerics/BrentIteration.h"
#include "ui/Boxes.h"

std::atomic<bool> WormChainInversionActive{false};

namespace {

constexpr int kMaxEvaluations = 200;
constexpr int kMaxDoublings = 10;

constexpr int kNoBracketSingle = 3;
constexpr int kIterationLimit = 4;
constexpr int kNoBracketDouble = 5;

const char* const kIterationLimitText = "Maximum number of iterations exceeded in zbrent";

// A serial or batch fit must not stop at a box; it records the code and the
// series reports it with the data set.
void Report(const char* text, int code) {
  if (RedrawSuppressed) {
    SerialFitErrorCode = code;
    NumericErrorState = code;
    return;
  }
  ErrorBox(text);
}

}  // namespace

double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol) {
  const double fa = f(x1), fb = f(x2);
  if (brent::SameSign(fa, fb)) Report("too many iterations finding root", kNoBracketDouble);
  if (auto root = brent::Iterate(f, x1, x2, fa, fb, tol, kMaxEvaluations)) return *root;
  Report(kIterationLimitText, kIterationLimit);
  return 0.0;
}

float zbrentf(const std::function<float(float)>& f, float x1, float x2, float tol) {
  const float fa = f(x1);
  float fb = f(x2);
  // The callers' upper ends are guesses; the quantity they invert grows with
  // the argument, so doubling the upper end usually reaches the sign change.
  for (int doubling = 0; doubling < kMaxDoublings && brent::SameSign(fa, fb); ++doubling) {
    x2 *= 2.0f;
    fb = f(x2);
  }
  if (brent::SameSign(fa, fb)) {
    Report(WormChainInversionActive
               ? "problem in finding M(s) for low Mw in worm-like chain model"
               : "problem in regularization, cannot reach chi-square increase; try using fewer "
                 "scans",
           kNoBracketSingle);
  }
  if (auto root = brent::Iterate(f, x1, x2, fa, fb, tol, kMaxEvaluations)) return *root;
  Report(kIterationLimitText, kIterationLimit);
  return 0.0f;
}
