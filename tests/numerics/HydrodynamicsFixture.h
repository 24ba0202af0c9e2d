#pragma once
// A headless test that owns the program-wide records the hydrodynamic
// conversions read, restoring them afterwards, and starts from water at
// 20 degrees Celsius.

#include <cmath>
#include <cstddef>
#include <string>

#include "state/ProgramPaths.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/PhysicalConstants.h"
#include "state/SolventConditions.h"
#include "support/TestSupport.h"

class HydrodynamicsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    SetSolvent(0.73f, 0.99823f, 1.0f);
    SolventConditions.BufferTemperature = 293.15f;
    SolventConditions.Hydration = 0.3f;
  }
  void TearDown() override {
    SolventConditions = solvent_;
    DistributionSettings = settings_;
    DistributionResult = result_;
    PhysicalConstants = constants_;
    ProgramPaths = paths_;
    HeadlessTest::TearDown();
  }
  static void SetSolvent(float vbar, float density, float relativeViscosity) {
    SolventConditions.VBAR = vbar;
    SolventConditions.VBAR20 = vbar;
    SolventConditions.BufferDensity = density;
    SolventConditions.VbarRho = vbar * density;
    SolventConditions.RELVISCOSITY = relativeViscosity;
  }
  std::size_t BoxesWith(const std::string& text) const { return LogLinesWith(text).size(); }

 private:
  SolventConditionsRecord solvent_ = SolventConditions;
  DistributionSettingsRecord settings_ = DistributionSettings;
  DistributionResultRecord result_ = DistributionResult;
  PhysicalConstantsRecord constants_ = PhysicalConstants;
  ProgramPathsRecord paths_ = ProgramPaths;
};

// Relative closeness for gtest's EXPECT_NEAR on values of any magnitude.
inline double RelTol(double expected, double relative) {
  return std::abs(expected) * relative;
}
