// Serial fits: the saturation test of a set and the texts of its error file.
#include <gtest/gtest.h>

#include "app/serial/SerialFitCommands.h"
#include "app/serial/SerialFitStep.h"
#include "data/DataOpsTestSupport.h"
#include "data/ScanReaderOptions.h"

namespace {

class SerialFitCommandsTest : public DataOpsTest {
 protected:
  void TearDown() override {
    ScanReaderOptions = ScanReaderOptionsRecord{};
    DataOpsTest::TearDown();
  }
};

// Only the first point strictly between 6.9 and 7.0 cm counts.
TEST_F(SerialFitCommandsTest, SignalMaxedOutLooksAtOnePointPerScan) {
  struct Case {
    bool absorbance, interference;
    float first, second;  // signal at 6.92 and 6.96 cm
    bool maxed;
  };
  const Case cases[] = {
      {true, false, 1.9f, 0.5f, true},     {true, false, 1.7f, 1.9f, false},
      {false, false, 1.9f, 0.5f, false},   {false, false, 4000.0f, 0.5f, true},
      {false, true, 5000.0f, 5000.0f, false},
  };
  for (const Case& c : cases) {
    LoadNamedScans({NamedScan{.name = "00001.RA1", .first = 6.8, .last = 7.0, .step = 0.04}});
    auto& d = ScanDataSet;
    d.ScanSignal[1][4] = c.first;
    d.ScanSignal[1][5] = c.second;
    ScanReaderOptions.AbsorbanceData = c.absorbance;
    ScanReaderOptions.InterferenceData = c.interference;
    EXPECT_EQ(SignalMaxedOut(), c.maxed) << c.first << " " << c.absorbance;
  }
}

TEST(SerialErrorTextTest, CodesAndTheInvalidOnes) {
  EXPECT_EQ(SerialErrorText(1), "max #iteration exceeded in NNLS");
  EXPECT_EQ(SerialErrorText(7), "could not create MC directory");
  EXPECT_EQ(SerialErrorText(10), "Nelder-Mead not converged");
  EXPECT_EQ(SerialErrorText(11), "error occured (invalid error code)");
}

}  // namespace
