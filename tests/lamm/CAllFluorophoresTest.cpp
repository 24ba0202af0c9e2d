// The fluorophore set: the flat named list round-trips, a short list stops
// where it ends without shifting later fluorophores, the beam block is read
// only for a plausible centre radius, list lengths are checked, equal time
// courses are degenerate, and the condition number of distinct ones.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lamm/CAllFluorophores.h"
#include "support/TestSupport.h"

namespace {

class CAllFluorophoresTest : public HeadlessTest {
 protected:
  // Two active fluorophores of two channels with two shared resets.
  void MakeSet() {
    set.SetNumberOfFluorophores(2);
    for (int i = 1; i <= 2; ++i) {
      set.pFLO[i].SetNumberOfWavelengths(2);
      set.IsActive[i] = 1;
    }
    const float times[] = {0.0f, 100.0f, 200.0f};
    set.SetResetTimes(2, times);
    set.pFLO[1].pRateConstantsOn[1] = 3.0f;
    set.pFLO[2].pRateConstantsOn[1] = 7.0f;
    set.pFLO[2].pSpecificSignalCoeffs[2] = 0.25f;
    set.pFLO[2].BurnZone2 = 0.7;
    set.LaserConeDiameter = 0.3f;
  }
  CAllFluorophores set;
};

TEST_F(CAllFluorophoresTest, FlatListRoundTripsWithItsNames) {
  MakeSet();
  int capacity = 0;
  EXPECT_TRUE(set.CreateFullList(capacity, nullptr, 0).empty());
  ASSERT_GT(capacity, 0);
  std::vector<std::string> names;
  const std::vector<float> list = set.CreateFullList(capacity, &names, capacity);
  ASSERT_EQ(static_cast<int>(list.size()), capacity);
  ASSERT_EQ(static_cast<int>(names.size()), capacity);
  EXPECT_EQ(names[0], "nFLO");
  EXPECT_EQ(names.back(), "pFLO[2].bFitBurnRate2Fract");
  CAllFluorophores copy;
  ASSERT_TRUE(copy.ApplyFullList(list.data(), capacity));
  EXPECT_EQ(copy.nFLO, 2);
  EXPECT_EQ(copy.nresettimes, 2);
  EXPECT_FLOAT_EQ(copy.pFLO[2].pRateConstantsOn[1], 7.0f);
  EXPECT_FLOAT_EQ(copy.LaserConeDiameter, 0.3f);
  // The new set had one channel per fluorophore: the second channel's
  // values are passed over without shifting what follows.
  EXPECT_NEAR(copy.pFLO[2].BurnZone2, 0.7, 1e-6);
}

TEST_F(CAllFluorophoresTest, ShortListsAndImplausibleBeamsChangeNothingBeyond) {
  MakeSet();
  int capacity = 0;
  set.CreateFullList(capacity, nullptr, 0);
  std::vector<float> list = set.CreateFullList(capacity, nullptr, 0);
  CAllFluorophores copy;
  copy.SetNumberOfFluorophores(2);
  copy.pFLO[2].BurnZone2 = 0.55;
  // Cut inside the second fluorophore's beam block.
  EXPECT_FALSE(copy.ApplyFullList(list.data(), capacity - 3));
  EXPECT_DOUBLE_EQ(copy.pFLO[2].BurnZone2, 0.55);
  EXPECT_FALSE(backend().Log().empty());
  // A beam centre of 4 cm is not read, and switches the beam off.
  set.pFLO[1].bBurning = 1;
  set.pFLO[1].BurnCenterRadius = 4.0;
  list = set.CreateFullList(capacity, nullptr, 0);
  CAllFluorophores other;
  ASSERT_TRUE(other.ApplyFullList(list.data(), capacity));
  EXPECT_EQ(other.pFLO[1].bBurning, 0);
  EXPECT_NE(other.pFLO[1].BurnCenterRadius, 4.0);
  // 6 cm with the beam off and a zero second zone: the zone becomes 0.3.
  set.pFLO[1].bBurning = 0;
  set.pFLO[1].BurnCenterRadius = 6.0;
  set.pFLO[1].BurnZone2 = 0.0;
  list = set.CreateFullList(capacity, nullptr, 0);
  ASSERT_TRUE(other.ApplyFullList(list.data(), capacity));
  EXPECT_DOUBLE_EQ(other.pFLO[1].BurnZone2, 0.3);
  EXPECT_DOUBLE_EQ(other.pFLO[1].BurnCenterRadius, 6.0);
}

TEST_F(CAllFluorophoresTest, AdjustableListsAndVariationFlags) {
  MakeSet();
  set.pFLO[1].bFitRateConstants = 1;
  set.pFLO[2].bFitSteadyStateLevels = 1;
  set.bFitLaserConeDiameter = 1;
  int count = 0;
  const float* list = set.CreateListOfAdjustableParameters(count);
  ASSERT_EQ(count, 3);
  EXPECT_FLOAT_EQ(list[1], 3.0f);
  EXPECT_FLOAT_EQ(list[3], 0.3f);
  std::vector<float> changed(list, list + count + 1);
  changed[3] = 0.5f;
  // One value too many: reported, nothing changed.
  EXPECT_FALSE(set.ApplyListOfAdjustableParameters(changed.data(), count + 1));
  EXPECT_FLOAT_EQ(set.LaserConeDiameter, 0.3f);
  EXPECT_TRUE(set.ApplyListOfAdjustableParameters(changed.data(), count));
  EXPECT_FLOAT_EQ(set.LaserConeDiameter, 0.5f);
  int flags = 0;
  const std::int32_t* variation = set.CreateListOfVariation(flags);
  ASSERT_EQ(flags, 2 * 9 + 3);
  std::vector<std::int32_t> none(variation, variation + flags + 1);
  std::fill(none.begin() + 1, none.end(), 0);
  EXPECT_FALSE(set.ApplyListOfVariation(none.data(), flags - 1));
  EXPECT_TRUE(set.ApplyListOfVariation(none.data(), flags));
  EXPECT_EQ(set.CountAdjustableParameters(), 0);
}

TEST_F(CAllFluorophoresTest, TimeCoursesTellFluorophoresApart) {
  MakeSet();
  // Equal rate constants, steady states of one sign, no switching.
  set.pFLO[1].pRateConstantsOn[1] = set.pFLO[2].pRateConstantsOn[1] = 5.0f;
  set.pFLO[1].pInfTimeSteadyStateOn[1] = 0.5f;
  set.pFLO[2].pInfTimeSteadyStateOn[1] = 0.2f;
  set.pFLO[1].bSwitching = set.pFLO[2].bSwitching = 0;
  EXPECT_TRUE(set.HasDegenerateTimeCourses());
  set.pFLO[2].pRateConstantsOn[1] = 50.0f;
  EXPECT_FALSE(set.HasDegenerateTimeCourses());
  std::vector<double> times(11), weights(11, 1.0);
  for (int j = 1; j <= 10; ++j) times[j] = 360.0 * j;
  const double distinct =
      set.TimeCourseConditionNumber(times.data(), weights.data(), 10, nullptr, nullptr, nullptr);
  EXPECT_GE(distinct, 1.0);
  set.IsActive[2] = 0;
  EXPECT_EQ(
      set.TimeCourseConditionNumber(times.data(), weights.data(), 10, nullptr, nullptr, nullptr),
      1.0);
}

}  // namespace
