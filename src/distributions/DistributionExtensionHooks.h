#pragma once
// Installs the services that the grid step and the run of a distribution
// call through their hook records: the prior profile, the M(s) table, and
// the mean field and kernel of the non-ideal c(s) model; and the Monte Carlo
// analyses that the commands and serial fits reach through their links.

void InstallDistributionExtensionHooks();
void InstallMonteCarloLinks();
