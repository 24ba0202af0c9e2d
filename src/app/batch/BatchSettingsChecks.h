#pragma once
// Settings that no real run can have: a buffer without viscosity, a cell
// whose meniscus lies behind its bottom, a fit range that holds no data, an
// s range the run cannot reach. Run as given, they end "completed" with
// nonsense; each is refused with the key named instead.

#include <string>

#include "app/batch/BatchParameters.h"

// The smallest positive SimulateD that can be meant in its units of
// 1e-7 cm^2/s: below it the value was most likely written in cm^2/s.
inline constexpr float BatchSmallestSimulateD = 1e-3f;

// The first setting of the record that no experiment has, in words naming
// the key, its value and its unit; empty when there is none.
std::string ImpossibleBatchSetting(const CIniCustomPars& pars);

// The same for the settings that the loaded scans decide: a fit range that
// holds none of their radii, an s range whose maximum the run cannot reach.
std::string BatchSettingOutsideTheData(const CIniCustomPars& pars);
