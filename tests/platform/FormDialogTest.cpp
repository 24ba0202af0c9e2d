// Form dialogs on the headless backend: scripted entries, the check's
// refusals with another try, radio groups and edit capacities.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/FormDialog.h"
#include "support/TestSupport.h"

namespace platform {
namespace {

class FormDialogTest : public HeadlessTest {
 protected:
  // A number field (refused unless it reads as a number), a check box and a
  // radio pair in a group box.
  static FormRequest NumberForm() {
    FormRequest request;
    request.caption = "numbers";
    request.items = {FormGroupBox(10, 0, 0, 0, "values"),
                     FormEdit(1, 10, 0, 0, "grid size", 6),
                     FormCheckBox(2, 10, 1, 0, "fit"),
                     FormRadio(3, 1, 10, 2, 0, "left"),
                     FormRadio(4, 1, 10, 2, 1, "right")};
    request.state.texts[1] = "100";
    request.state.checked = {{2, 0}, {3, 1}, {4, 0}};
    request.check = [](const FormState& s) {
      char* end = nullptr;
      const std::string text = s.Text(1);
      std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0') return RefuseWith("Invalid Entry", "Input Error", 1);
      return FormRefusal{};
    };
    return request;
  }
};

TEST_F(FormDialogTest, ScriptedEntriesComeBackOnOkAndRadiosStayExclusive) {
  FormRequest request = NumberForm();
  FormState entries;
  entries.texts[1] = "2500000";  // five characters fit into a capacity of six
  entries.checked = {{2, 1}, {4, 1}};
  backend().ScriptForm(entries);
  ASSERT_TRUE(ShowForm(request));
  EXPECT_EQ(request.state.Text(1), "25000");
  EXPECT_EQ(request.state.Checked(2), 1);
  EXPECT_EQ(request.state.Checked(3), 0);
  EXPECT_EQ(request.state.Checked(4), 1);
  const auto shown = backend().ShownForms();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "numbers");
  EXPECT_EQ(shown[0].initial.Text(1), "100");
  EXPECT_EQ(LogLinesWith("form [numbers]").size(), 1u);
}

TEST_F(FormDialogTest, RefusalShowsItsMessageAndTheNextTryIsOnTheSameDialog) {
  FormRequest request = NumberForm();
  FormState bad, good;
  bad.texts[1] = "abc";
  good.texts[1] = "1e3";
  backend().ScriptForm(bad);
  backend().ScriptForm(good);
  ASSERT_TRUE(ShowForm(request));
  EXPECT_EQ(request.state.Text(1), "1e3");
  EXPECT_EQ(LogLinesWith("box [Input Error] (error) Invalid Entry\n\nfield: grid size").size(),
            1u);
  EXPECT_EQ(LogLinesWith("refused, focus 1").size(), 1u);
  EXPECT_EQ(backend().ShownForms().size(), 1u);
}

TEST_F(FormDialogTest, CancelAndAnUnscriptedRefusalLeaveTheStateAsPassed) {
  FormRequest request = NumberForm();
  FormState typed;
  typed.texts[1] = "7";
  backend().ScriptForm(typed, false);
  EXPECT_FALSE(ShowForm(request));
  EXPECT_EQ(request.state.Text(1), "100");

  // Nothing scripted: confirmed as shown; refused as shown: given up.
  EXPECT_TRUE(ShowForm(request));
  request.state.texts[1] = "x";
  EXPECT_FALSE(ShowForm(request));
  EXPECT_EQ(request.state.Text(1), "x");
  EXPECT_EQ(LogLinesWith("Invalid Entry").size(), 1u);
}

// The name a refusal gives its field: the edit's own label, else the label
// to its left in its row, preceded in a table by its column's heading.
TEST(FormFieldName, NamesAFieldAsTheUserReadsIt) {
  const std::vector<FormItem> items = {
      FormGroupBox(10, 0, 0, 0, "species"),
      FormCheckBox(401, 10, 0, 1, "species 1"),
      FormCheckBox(408, 10, 0, 3, "species 2"),
      FormLabel(10, 1, 0, "concentration"),
      FormEdit(405, 10, 1, 1),
      FormEdit(412, 10, 1, 3),
      FormGroupBox(20, 0, 0, 1, "parameters"),
      FormLabel(20, 0, 0, "resolution"),
      FormEdit(505, 20, 0, 1),
      FormEdit(7, 20, 1, 0, "grid size")};
  const std::pair<int, const char*> cases[] = {{405, "species 1, concentration"},
                                               {412, "species 2, concentration"},
                                               {505, "resolution"},
                                               {7, "grid size"},
                                               {401, "species 1"},
                                               {999, ""}};
  for (const auto& [id, name] : cases) EXPECT_EQ(FormFieldName(items, id), name) << id;
}

}  // namespace
}  // namespace platform
