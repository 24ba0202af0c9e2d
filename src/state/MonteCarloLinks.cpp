#include "state/MonteCarloLinks.h"
#include "state/Links.h"

MonteCarloLinksRecord MonteCarloLinks;
bool MonteCarloSwMode = false;

namespace {

struct InstallDefaults {
  InstallDefaults() { ResetMonteCarloLinks(); }
} installDefaults;

}  // namespace

void ResetMonteCarloLinks() {
  auto& l = MonteCarloLinks;
  l.MonteCarloDistributions = links::Unwired;
  l.MonteCarloLimits = links::Unwired;
  l.MonteCarloSw = links::Unwired;
  l.RunMonteCarloSw = links::Unwired;
  l.MonteCarloFinish = links::Unwired;
  l.MonteCarloSwResult = links::Unwired;
  l.Installed = false;
}
