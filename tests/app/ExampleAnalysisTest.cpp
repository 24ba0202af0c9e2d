// The example analysis end to end: the bundled scans (three species of known
// s and loading signal, with noise and systematic offsets) load, give c(s)
// peaks at the species' s holding their loading signals, and leave a
// distribution file of grid values and densities.
#include "app/ExampleAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/records/ProgramPaths.h"
#include "data/DataSetServices.h"
#include "support/TestSupport.h"

namespace {

std::filesystem::path ExampleFolder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples" /
         "velocity";
}

}  // namespace

class ExampleAnalysis : public HeadlessTest {};

TEST_F(ExampleAnalysis, RecoversTheBundledMixture) {
  ScratchFolder out;
  SetInstallationFolder(out.path().string());
  ASSERT_EQ(RunExampleAnalysis(ExampleFolder().string(), out.path().string()), 0);
  // The noise added to the example is 0.005.
  EXPECT_NEAR(ScanRmsd(), 0.005, 0.0005);

  std::ifstream in(out.File("distribution.dat"));
  ASSERT_TRUE(in.good());
  double s = 0, c = 0, lastS = 0, area = 0, lastC = 0;
  int lines = 0;
  double areaAround[3] = {0, 0, 0};
  const double bounds[4] = {0.0, 5.3, 8.4, 16.0};
  while (in >> s >> c) {
    if (lines > 0) {
      const double piece = 0.5 * (s - lastS) * (c + lastC);
      area += piece;
      for (int p = 0; p < 3; ++p)
        if (s > bounds[p] && s <= bounds[p + 1]) areaAround[p] += piece;
    }
    lastS = s;
    lastC = c;
    ++lines;
  }
  EXPECT_EQ(lines, 100);
  // Loading signals of the three species: 0.6, 0.18 and 0.05.
  EXPECT_NEAR(areaAround[0], 0.60, 0.03 * 0.60);
  EXPECT_NEAR(areaAround[1], 0.18, 0.05 * 0.18);
  EXPECT_NEAR(areaAround[2], 0.05, 0.10 * 0.05);
  EXPECT_NEAR(area, 0.83, 0.03 * 0.83);
}

TEST_F(ExampleAnalysis, RefusesAFolderWithoutScans) {
  ScratchFolder empty, out;
  EXPECT_EQ(RunExampleAnalysis(empty.path().string(), out.path().string()), 1);
}
