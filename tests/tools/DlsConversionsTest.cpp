#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/DataSetLinks.h"
#include "support/TestSupport.h"
#include "tools/DlsConversions.h"
#include "state/DlsFlags.h"

namespace {

// values[1..n] of a one-based array held in a vector with an unused slot 0.
std::vector<float> OneBased(const std::vector<float>& v) {
  std::vector<float> out{0.0f};
  out.insert(out.end(), v.begin(), v.end());
  return out;
}

TEST(DlsConversions, SiegertRelationBothWaysKeepingTheSign) {
  // A single decay: g(1) = exp(-G tau), g(2) - 1 = exp(-2 G tau); the noisy
  // baseline at long lags scatters around 0 and keeps its sign.
  const std::vector<double> taus = {1e-6, 1e-5, 1e-4, 1e-3, 1e-2};
  const double rate = 800.0;
  std::vector<float> intensity{0.0f}, field{0.0f};
  for (double tau : taus) {
    intensity.push_back(static_cast<float>(std::exp(-2.0 * rate * tau)));
    field.push_back(static_cast<float>(std::exp(-rate * tau)));
  }
  intensity.push_back(-0.0004f);
  field.push_back(-0.02f);
  const int n = static_cast<int>(intensity.size()) - 1;

  DlsRecord record;
  std::vector<float> values = intensity;
  EXPECT_TRUE(ToFieldACF(n, values.data(), record));
  EXPECT_TRUE(record.HoldsFieldAcf);
  for (int k = 1; k <= n; ++k) EXPECT_NEAR(values[k], field[k], 1e-6f) << k;

  EXPECT_TRUE(ToIntensityACF(n, values.data(), record));
  EXPECT_FALSE(record.HoldsFieldAcf);
  for (int k = 1; k <= n; ++k) EXPECT_NEAR(values[k], intensity[k], 1e-6f) << k;
}

TEST(DlsConversions, ConvertingTwiceInOneDirectionDoesNothing) {
  const std::vector<float> start = OneBased({0.81f, 0.25f, -0.04f, 0.0f});
  const int n = static_cast<int>(start.size()) - 1;
  const struct {
    std::string name;
    bool holdsField;
    bool (*convert)(int, float*, DlsRecord&);
  } cases[] = {
      {"to g(1) of g(1)", true, ToFieldACF},
      {"to g(2)-1 of g(2)-1", false, ToIntensityACF},
  };
  for (const auto& c : cases) {
    DlsRecord record;
    record.HoldsFieldAcf = c.holdsField;
    std::vector<float> values = start;
    EXPECT_FALSE(c.convert(n, values.data(), record)) << c.name;
    EXPECT_EQ(values, start) << c.name;
    EXPECT_EQ(record.HoldsFieldAcf, c.holdsField) << c.name;
  }
}

class DlsFileConversions : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    DlsFieldAcf = false;
  }
  void TearDown() override {
    DlsDataMode = false;
    DlsFieldAcf = false;
    HeadlessTest::TearDown();
  }
  ScratchFolder scratch;
};

TEST_F(DlsFileConversions, LoadedAsFieldSavedAsIntensityReloadsTheFile) {
  // A file read as g(1) and turned back into g(2) - 1 saves the values it was
  // read with: every point survives the trip.
  const std::string text =
      "run 3 (25 deg)\n"
      "A 25.000000 95 12345.67 1.333000 0.008900 90.000000 6.328000e-07\n"
      "   1.00000e-06  9.00000e-01 \n"
      "   1.00000e-05  6.40000e-01 \n"
      "   1.00000e-04  1.60000e-01 \n"
      "   1.00000e-03  -1.00000e-03 \n";
  const std::string path = scratch.Write("run3.dlsdat", text);
  DlsRecord record;
  int count = 0;
  OneBasedArray<float> lags, values;
  ASSERT_TRUE(ReadDLSDataFile(path, &record, &count, &lags, &values, false));
  ASSERT_EQ(count, 4);
  EXPECT_TRUE(record.HoldsFieldAcf);
  EXPECT_NEAR(values[1], std::sqrt(0.9f), 1e-6f);
  EXPECT_NEAR(values[4], -std::sqrt(0.001f), 1e-6f);

  ASSERT_TRUE(ToIntensityACF(count, values.data(), record));
  const std::string copy = scratch.File("copy.dlsdat");
  ASSERT_TRUE(SaveDLSDataFile(copy, count, lags.data(), values.data(), nullptr, record));

  DlsRecord again;
  int countAgain = 0;
  OneBasedArray<float> lagsAgain, valuesAgain;
  ASSERT_TRUE(ReadDLSDataFile(copy, &again, &countAgain, &lagsAgain, &valuesAgain, true));
  ASSERT_EQ(countAgain, count);
  const float expected[] = {0.0f, 0.9f, 0.64f, 0.16f, -0.001f};
  for (int k = 1; k <= count; ++k) {
    EXPECT_NEAR(valuesAgain[k], expected[k], 1e-5f) << k;
    EXPECT_NEAR(lagsAgain[k], lags[k], 1e-5f) << k;
  }
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
