// Names and groups of the sorted fluorescence copies.
#include "tools/FluorescenceSort.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

ScanHeader Setting(float voltage, int range, int gain) {
  ScanHeader h;
  h.PmtVoltage = voltage;
  h.Range = range;
  h.Gain = gain;
  return h;
}

class FluorescenceSortTest : public HeadlessTest {};

}  // namespace

TEST_F(FluorescenceSortTest, CopyNamesCarryTheDetectorSetting) {
  EXPECT_EQ(SortedCopyPath("/run/A00012.FI1", Setting(600.7f, 1, 2)),
            "/run/sorted/00012.FI1_A_PMV600_r1_g2");
  // Scans that differ only in their first letter share the base name but not
  // the group.
  EXPECT_EQ(FluorescenceGroupKey("/run/B00012.FI1", Setting(600.0f, 1, 2)), ".FI1_B_PMV600_r1_g2");
}

TEST_F(FluorescenceSortTest, GroupsMatchTheirKeyExactlyAndSampleInTime) {
  FluorescenceGroups groups;
  EXPECT_EQ(groups.Find(".FI1_A_PMV600_r1_g10"), 0);
  // Gain 1 is another setting than gain 10.
  EXPECT_EQ(groups.Find(".FI1_A_PMV600_r1_g1"), 1);
  EXPECT_EQ(groups.Find(".FI1_A_PMV600_r1_g10"), 0);

  // Every step of 100 s after the last taken file, below t max.
  const std::string key = ".FI1_A_PMV600_r1_g2";
  EXPECT_FALSE(groups.Add("a", key, 0.0, 0.0, 100.0, 1000.0));  // not after t min
  EXPECT_TRUE(groups.Add("b", key, 50.0, 0.0, 100.0, 1000.0));
  EXPECT_FALSE(groups.Add("c", key, 120.0, 0.0, 100.0, 1000.0));
  EXPECT_TRUE(groups.Add("d", key, 160.0, 0.0, 100.0, 1000.0));
  EXPECT_FALSE(groups.Add("e", key, 1100.0, 0.0, 100.0, 1000.0));
  EXPECT_EQ(groups.groups[2].files, (std::vector<std::string>{"b", "d"}));
}

TEST_F(FluorescenceSortTest, AFullKeyTableRefusesTheFileWithAMessage) {
  FluorescenceGroups groups;
  for (int g = 0; g < FluorescenceGroups::kMaxGroups; ++g)
    ASSERT_EQ(groups.Find("k" + std::to_string(g)), g);
  EXPECT_EQ(groups.Find("one more"), -1);
  EXPECT_FALSE(groups.Add("f", "one more", 10.0, 0.0, 1.0, 100.0));
  EXPECT_EQ(static_cast<int>(groups.groups.size()), FluorescenceGroups::kMaxGroups);
  EXPECT_EQ(LogLinesWith("too many groups").size(), 1u);
}
