#include "state/MonteCarloLinks.h"

MonteCarloLinksRecord MonteCarloLinks;
bool MonteCarloSwMode = false;

namespace {

struct InstallDefaults {
  InstallDefaults() { ResetMonteCarloLinks(); }
} installDefaults;

}  // namespace

void ResetMonteCarloLinks() {
  auto& l = MonteCarloLinks;
  l.MonteCarloDistributions = [](const void*, int, float, const std::string&, bool) {
    return false;
  };
  l.MonteCarloLimits = [](float) {};
  l.MonteCarloSw = [](const void*, float, float, float) {};
  l.RunMonteCarloSw = [](const void*, int, float, float, float, const std::string&, bool) {
    return false;
  };
  l.MonteCarloFinish = [](const void*) {};
  l.MonteCarloSwResult = [] { return std::array<float, 9>{}; };
  l.Installed = false;
}
