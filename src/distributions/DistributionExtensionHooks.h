#pragma once
// Installs the services that the grid step and the run of a distribution
// call through their hook records: the prior profile, the M(s) table, and
// the mean field and kernel of the non-ideal c(s) model.

void InstallDistributionExtensionHooks();
