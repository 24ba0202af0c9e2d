// The table dialogs and the meniscus and bottom limits they edit: template
// by rows, column widths, reading cells into a copy that only OK commits,
// and the limits kept clear of the fit range.

#include <string>

#include "ModelsTestSupport.h"
#include "data/DataSetServices.h"
#include "models/MatrixBoxes.h"
#include "models/MeniscusBottomLimits.h"
#include "data/ScanReaderOptions.h"

namespace {

class MatrixBoxesTest : public ModelsTest {};

MatrixTable<std::string> Labels(int rows, int columns, const std::string& text) {
  MatrixTable<std::string> labels(rows, columns);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= columns; ++j) labels(i, j) = text;
  return labels;
}

TEST_F(MatrixBoxesTest, TemplateFollowsTheRowsAndColumnsTheLongestLabel) {
  struct Case {
    int rows;
    int templateId;
  };
  for (const Case c : {Case{2, 1086}, Case{4, 1086}, Case{5, 1097}, Case{6, 1097},
                       Case{7, 1096}, Case{12, 1096}})
    EXPECT_EQ(MatrixBoxLayout(c.rows, Labels(c.rows, 1, "x"), false).templateId, c.templateId)
        << c.rows;
  const auto twelve = Labels(1, 2, "abcdefghijkl");
  EXPECT_EQ(MatrixBoxLayout(1, twelve, false).columnWidths[0], 96);
  EXPECT_EQ(MatrixBoxLayout(1, twelve, true).columnWidths[1], 126);
  // Short labels get the least width (plus the box in the fit variant).
  EXPECT_EQ(MatrixBoxLayout(1, Labels(1, 1, "a"), false).columnWidths[0], 70);
  EXPECT_EQ(MatrixBoxLayout(1, Labels(1, 1, "a"), true).columnWidths[0], 88);
}

TEST_F(MatrixBoxesTest, CellsAreReadOnOkAndBadCellsKeepTheDialogOpen) {
  MatrixTable<float> values(2, 1);
  values(1, 1) = 1.5f;
  values(2, 1) = 2.0f;
  MatrixTable<std::string> labels(2, 1);
  labels(1, 1) = "first";
  labels(2, 1) = "second";
  platform::FormState bad, good;
  bad.texts = {{989, "1e-3"}, {979, "abc"}};  // cells (1,1) and (2,1)
  good.texts = {{979, " 7"}};
  backend().ScriptForm(bad);
  backend().ScriptForm(good);
  ASSERT_EQ(RunGetMatrixBox(nullptr, 2, 1, values, labels, "caption"), 1);
  EXPECT_FLOAT_EQ(values(1, 1), 0.001f);
  EXPECT_FLOAT_EQ(values(2, 1), 7.0f);
  EXPECT_EQ(LogLinesWith("box [errror] (error) not a number in second").size(), 1u);
  const auto shown = backend().ShownForms();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].initial.Text(989), "1.5000");

  // A bad cell, then Cancel: the readable cells are not taken either.
  backend().ScriptForm(bad);
  backend().ScriptForm({}, false);
  EXPECT_EQ(RunGetMatrixBox(nullptr, 2, 1, values, labels, ""), 0);
  EXPECT_FLOAT_EQ(values(1, 1), 0.001f);
  EXPECT_EQ(backend().ShownForms().back().caption, "caption");  // kept from the last run

  // No rows: nothing is shown.
  EXPECT_EQ(RunGetMatrixBox(nullptr, 0, 3, values, labels, "x"), 0);
  EXPECT_EQ(backend().ShownForms().size(), 2u);
}

TEST_F(MatrixBoxesTest, FitBoxesTickFromTheFlagsAndOnlyWhereTheCellHasOne) {
  MatrixTable<float> values(2, 1, 1.0f);
  MatrixTable<int> flags(2, 1, 1);
  MatrixTable<int> boxes(2, 1, 0);
  boxes(1, 1) = 1;
  const auto labels = Labels(2, 1, "magnitude");
  platform::FormState untick;
  untick.checked = {{1989, 0}};
  backend().ScriptForm(untick);
  ASSERT_TRUE(RunGetMatrixFitBox(nullptr, 2, 1, values, nullptr, &flags, &boxes, labels,
                                 "Wiener skewing parameters:"));
  EXPECT_EQ(flags(1, 1), 0);
  EXPECT_EQ(flags(2, 1), 1);  // no box: the flag stays
  const auto items = backend().ShownForms().back().items;
  EXPECT_NE(platform::FindFormItem(items, 1989), nullptr);
  EXPECT_EQ(platform::FindFormItem(items, 1979), nullptr);
  EXPECT_EQ(backend().ShownForms().back().initial.Checked(1989), 1);
}

class MeniscusLimitsTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ScanDataSet.FitLeftLim = 6.01f;
    ScanDataSet.FitRightLim = 7.15f;
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
  }
  void TearDown() override {
    ScanReaderOptions = ScanReaderOptionsRecord{};
    ModelsTest::TearDown();
  }
};

TEST_F(MeniscusLimitsTest, DefaultsStayClearOfTheFitRange) {
  DefaultMeniscusBottomLimits();
  EXPECT_NEAR(FitControl.MAXMENISCUS, 6.009f, 1e-6);
  EXPECT_NEAR(FitControl.MINMENISCUS, 5.98f, 1e-6);
  ScanReaderOptions.FluorescenceData = true;
  DefaultMeniscusBottomLimits();
  EXPECT_NEAR(FitControl.MINBOTTOM, 7.151f, 1e-6);
  EXPECT_NEAR(FitControl.MAXBOTTOM, 7.30f, 1e-6);
  EXPECT_TRUE(MeniscusBottomLimitsConsistent());
}

TEST_F(MeniscusLimitsTest, TableSetsTheLimitsAndOneZeroMakesThemAutomatic) {
  DefaultMeniscusBottomLimits();
  // Consistent limits: nothing asked unless forced.
  EXPECT_FALSE(EditMeniscusBottomLimits(nullptr, false));
  EXPECT_TRUE(backend().ShownForms().empty());

  platform::FormState entries;  // rows meniscus, bottom; columns position, low, up
  entries.texts = {{989, "5.99"}, {988, "5.9"}, {987, "6.5"}, {978, "7.0"}, {977, "7.4"}};
  backend().ScriptForm(entries);
  ASSERT_TRUE(EditMeniscusBottomLimits(nullptr, true));
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 5.99f);
  // Kept as entered, even where they overlap the fit range.
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, 5.9f);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, 6.5f);
  EXPECT_FLOAT_EQ(FitControl.MINBOTTOM, 7.0f);
  EXPECT_FLOAT_EQ(FitControl.MAXBOTTOM, 7.4f);
  EXPECT_TRUE(ModelParameters.MeniscusBottomLimitsUserSet);
  DefaultMeniscusBottomLimits();  // user-set limits are left alone
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, 6.5f);
  EXPECT_EQ(backend().ShownForms().back().caption, "set meniscus+limits");

  entries.texts = {{977, "0"}};
  backend().ScriptForm(entries);
  ASSERT_TRUE(EditMeniscusBottomLimits(nullptr, true));
  EXPECT_FALSE(ModelParameters.MeniscusBottomLimitsUserSet);
  EXPECT_NEAR(FitControl.MAXMENISCUS, 6.01f, 1e-5);  // 5.99 + 0.02, just below the fit limit
  EXPECT_NEAR(FitControl.MAXBOTTOM, 7.25f, 1e-6);

  // Cancel changes nothing.
  backend().ScriptForm({}, false);
  EXPECT_FALSE(EditMeniscusBottomLimits(nullptr, true));
  EXPECT_NEAR(FitControl.MAXMENISCUS, 6.01f, 1e-5);
  // The automatic limits are sums; the box shows them as typed numbers.
  const platform::FormState shown = backend().ShownForms().back().initial;
  EXPECT_EQ(shown.Text(987), "6.0100");
  EXPECT_EQ(shown.Text(977), "7.2500");
}

}  // namespace
