// The text-entry window: what the caller gets back when the editor closes,
// and the cut to the caller's capacity.
#include <gtest/gtest.h>

#include <optional>

#include "app/text/TextEntryWindow.h"
#include "support/TestSupport.h"

class TextEntryWindow : public HeadlessTest {};

TEST_F(TextEntryWindow, ReturnsTheEditedOrStartingTextCutToCapacity) {
  struct Case {
    std::optional<std::string> edited;  // nothing: closed without taking the edit
    bool hasStart;
    std::string start;
    std::size_t capacity;
    std::string expected;
  } cases[] = {
      {std::nullopt, true, "MKVLAAGIVG", 100, "MKVLAAGIVG"},
      {std::nullopt, false, "ignored", 100, ""},
      {std::string("ACDEFGHIK"), true, "MKV", 100, "ACDEFGHIK"},
      {std::string("ACDEFGHIK"), false, "", 5, "ACDE"},
      {std::string("ACDE"), false, "", 5, "ACDE"},
      {std::string("\xce\xb1\xce\xb2\xce\xb3"), false, "", 3, "\xce\xb1\xce\xb2"},  // αβγ -> αβ
      {std::string("ACDE"), false, "", 1, ""},
      {std::string("ACDE"), false, "", 0, ""},
  };
  for (const Case& c : cases) {
    backend().ScriptTextEntry(c.edited);
    std::string text = "left over";
    EXPECT_TRUE(RunTextEntryWindow(text, c.capacity, c.hasStart, c.start));
    EXPECT_EQ(text, c.expected) << c.start << " / " << c.edited.value_or("(closed)");
  }
  EXPECT_EQ(LogLinesWith("text entry").size(), std::size(cases));
}
