// The M(s) table: interpolation between rows, towards the origin below the
// first row, and along the last two rows beyond the last.

#include <gtest/gtest.h>

#include "state/SolventConditions.h"
#include "distributions/MsTable.h"
#include "support/TestSupport.h"

namespace {

class MsTableTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // Buffer with water's density and viscosity: s20,w is s itself.
    SolventConditions = SolventConditionsRecord{};
    SolventConditions.VBAR = 0.73f;
    SolventConditions.VbarRho = 0.73f * 0.99823f;
    path_ = scratch_.Write("mofs.dat", "1 10\n2 25\n");
  }
  void TearDown() override {
    FreeMsTable();
    SolventConditions = SolventConditionsRecord{};
    HeadlessTest::TearDown();
  }
  ScratchFolder scratch_;
  std::string path_;
};

// The last case follows the rule "linear through the last two rows":
// 25 + (3 − 2)·15 = 40 kDa.
TEST_F(MsTableTest, MolarMassFromTheTable) {
  ASSERT_TRUE(LoadMsTableFrom(path_));
  const struct {
    double s, kDa;
  } cases[] = {{1.5, 17.5}, {0.5, 5.0}, {2.0, 25.0}, {1.0, 10.0}, {3.0, 40.0}};
  for (const auto& c : cases) EXPECT_NEAR(MsTableMolarMass(c.s), 1000.0 * c.kDa, 1e-6) << c.s;
}

TEST_F(MsTableTest, BufferConditionsConvertToS20w) {
  ASSERT_TRUE(LoadMsTableFrom(path_));
  SolventConditions.RELVISCOSITY = 1.5f;  // s20,w = 1.5 s
  EXPECT_NEAR(MsTableMolarMass(1.0), 17500.0, 1e-3);
}

TEST_F(MsTableTest, WithoutTableTheAnswerIsOne) {
  EXPECT_DOUBLE_EQ(MsTableMolarMass(2.0), 1.0);
  EXPECT_FALSE(LoadMsTableFrom(scratch_.File("none.dat")));
  EXPECT_FALSE(MsTable.MsTableLoaded);
  EXPECT_DOUBLE_EQ(MsTableMolarMass(2.0), 1.0);
}

TEST_F(MsTableTest, EqualAbscissaeAnswerOne) {
  ASSERT_TRUE(LoadMsTableFrom(scratch_.Write("flat.dat", "2 10\n2 25\n")));
  EXPECT_DOUBLE_EQ(MsTableMolarMass(3.0), 1.0);
}

}  // namespace
