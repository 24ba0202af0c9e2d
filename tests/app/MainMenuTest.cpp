// The menu bar "MENU_1", the accelerator table and the list of commands:
// their structure, their texts and marks, and that they agree with each
// other and with the registered handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "app/commands/CommandTable.h"
#include "resources/CommandCatalogue.h"
#include "resources/MainMenu.h"

using platform::MenuItem;

namespace {

// The popup texts leading to the first command item with this id, then the
// item's own text; empty when the id is not there.
bool PathTo(const std::vector<MenuItem>& items, int id, std::vector<std::string>& path) {
  for (const MenuItem& item : items) {
    if (item.kind == MenuItem::Kind::Command && item.id == id) {
      path.push_back(item.text);
      return true;
    }
    if (item.kind == MenuItem::Kind::Popup) {
      path.push_back(item.text);
      if (PathTo(item.children, id, path)) return true;
      path.pop_back();
    }
  }
  return false;
}

std::vector<std::string> PathTo(int id) {
  std::vector<std::string> path;
  PathTo(MainMenuBar(), id, path);
  return path;
}

void CollectMarks(const std::vector<MenuItem>& items, std::set<int>& checked,
                  std::set<int>& grayed) {
  for (const MenuItem& item : items) {
    if (item.checked) checked.insert(item.id);
    if (item.grayed) grayed.insert(item.id);
    CollectMarks(item.children, checked, grayed);
  }
}

}  // namespace

TEST(MainMenu, TopLevelHasTheMenusAndTheThreeCommandsInOrderWithHelpAtTheRight) {
  const std::vector<MenuItem> bar = MainMenuBar();
  std::vector<std::string> texts;
  for (const MenuItem& item : bar) texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"&Data", "&Copy", "D&isplay", "M&odel", "&Parameters",
                                             "&Run", "&Fit", "&Generate", "Statistics", "&Options",
                                             "Plot", "&Help"}));
  for (int i : {4, 5, 6}) EXPECT_EQ(bar[i].kind, MenuItem::Kind::Command) << texts[i];
  EXPECT_EQ(bar[4].id, 212);
  EXPECT_EQ(bar[5].id, 213);
  EXPECT_EQ(bar[6].id, 215);
  for (std::size_t i = 0; i < bar.size(); ++i)
    EXPECT_EQ(bar[i].rightJustified, texts[i] == "&Help") << texts[i];
}

TEST(MainMenu, ItemsSitWhereTheyBelongWithTheirExactTexts) {
  const std::map<int, std::vector<std::string>> cases = {
      {200, {"&Data", "&Load New Files\t^L"}},
      {252, {"&Data", "Save S&ystematic Noise", "save Noise in file"}},
      {230, {"&Data", "Exit"}},
      {646, {"&Copy", "Copy Screenshot \t^C"}},
      {517, {"D&isplay", "Show Last Fit Info Again \t^o"}},
      {277, {"M&odel", "Continuous c(M) With Other Prior Knowledge", "c(M) With Invariant D "}},
      {1117,
       {"M&odel", "Continuous c(s) With Other Prior Knowledge", "Continuous c(s) with Flotation"}},
      {266, {"M&odel", "Special", "Fit &Time Dependent s,M (e.g. in Archibald analysis)"}},
      {240, {"&Options", "Fitting Options", "Set Fit Limits For Meniscus & Bottom"}},
      {947,
       {"&Options", "Loading Options and Tools", "Gravitational Sweep Tools",
        "Create Speedsteps.txt File From Loaded Scans"}},
      {600,
       {"&Options", "DLS Tools", "Convert DLS Data To TALUVO Format", "2 Column ASCII g(2)-1 "}},
      {594, {"&Options", "Sound"}},
      {546, {"Statistics", "Monte-Carlo for Integrated Weight-Average s-Values"}},
      {883, {"Plot", "Plot Triangulated Structure from BEST"}},
      {867, {"&Help", "Diagnostics Output to Files"}},
  };
  for (const auto& [id, path] : cases) EXPECT_EQ(PathTo(id), path) << id;
}

TEST(MainMenu, ResourceCheckMarksAndGreyingAreExactlyTheListedOnes) {
  std::set<int> checked, grayed;
  CollectMarks(MainMenuBar(), checked, grayed);
  EXPECT_EQ(checked,
            (std::set<int>{198, 232, 209, 504, 943, 217, 295, 247, 868, 505, 506, 609, 594, 610}));
  EXPECT_EQ(grayed, (std::set<int>{231}));
}

TEST(MainMenu, OnlyTheSharedCommandsAppearTwice) {
  std::map<int, int> count;
  for (int id : platform::MenuModel(MainMenuBar()).CommandIds()) ++count[id];
  std::set<int> twice;
  for (const auto& [id, n] : count) {
    EXPECT_LE(n, 2) << id;
    if (n == 2) twice.insert(id);
  }
  EXPECT_EQ(twice, (std::set<int>{272, 904, 923, 927, 928}));
}

TEST(MainMenu, AcceleratorsSendTheirCommands) {
  struct Case {
    char key;
    bool alt;
    int command;
  } cases[] = {{'A', false, 226}, {'B', false, 552}, {'C', false, 646}, {'D', false, 518},
               {'E', false, 579}, {'F', false, 215}, {'G', false, 901}, {'I', false, 456},
               {'L', false, 200}, {'M', false, 608}, {'N', false, 519}, {'O', false, 517},
               {'P', false, 212}, {'R', false, 213}, {'S', false, 203}, {'U', false, 827},
               {'W', false, 529}, {'X', false, 633}, {'F', true, 915},  {'G', true, 611},
               {'I', true, 542},  {'M', true, 837}};
  const std::vector<platform::Accelerator> table = MainAccelerators();
  ASSERT_EQ(table.size(), std::size(cases));
  for (const Case& c : cases) {
    const auto it = std::find_if(table.begin(), table.end(), [&](const platform::Accelerator& a) {
      return a.key == c.key && a.alt == c.alt && a.control == !c.alt && !a.shift;
    });
    ASSERT_NE(it, table.end()) << c.key << (c.alt ? " alt" : " ctrl");
    EXPECT_EQ(it->command, c.command) << c.key;
  }
}

TEST(CommandList, CoversEveryMenuItemAndAcceleratorOnceAndAgreesWithTheTable) {
  std::set<int> listed;
  for (const CommandDescription& c : CommandCatalogue()) {
    EXPECT_TRUE(listed.insert(c.id).second) << "listed twice: " << c.id;
  }
  for (int id : platform::MenuModel(MainMenuBar()).CommandIds())
    EXPECT_TRUE(listed.count(id)) << "menu item without a command: " << id;
  for (const platform::Accelerator& a : MainAccelerators())
    EXPECT_TRUE(listed.count(a.command)) << "accelerator without a command: " << a.command;

  // Whoever registers a handler registers it under its name and with its
  // help-mode answer, and only once: a second handler of an id is never
  // reached.
  std::set<int> registered;
  for (const CommandEntry& entry : MainCommandTable().Entries()) {
    EXPECT_TRUE(registered.insert(entry.id).second) << "registered twice: " << entry.id << " "
                                                    << entry.name;
    const CommandDescription* d = DescribeCommand(entry.id);
    ASSERT_NE(d, nullptr) << "registered id the window does not know: " << entry.id;
    EXPECT_EQ(entry.answersHelp, d->answersHelp) << entry.id << " " << entry.name;
    EXPECT_STREQ(entry.name, d->handler) << entry.id;
  }
  // Every command a user can give has a handler: none answers "not
  // available in this version".
  for (int id : platform::MenuModel(MainMenuBar()).CommandIds())
    EXPECT_NE(MainCommandTable().Find(id), nullptr) << "menu item without a handler: " << id;
  for (const platform::Accelerator& a : MainAccelerators())
    EXPECT_NE(MainCommandTable().Find(a.command), nullptr)
        << "accelerator without a handler: " << a.command;
}

TEST(CommandList, HelpModeAnswersFollowTheHandlers) {
  const std::pair<int, bool> cases[] = {{230, true},  {212, true},  {213, false}, {215, false},
                                        {200, true},  {828, false}, {867, false}, {268, false},
                                        {249, false}, {221, false}, {197, true},  {1100, false},
                                        {1099, true}, {915, false}, {837, false}, {1103, false},
                                        {231, true},  {1118, true}, {642, false}};
  for (const auto& [id, help] : cases) {
    const CommandDescription* d = DescribeCommand(id);
    ASSERT_NE(d, nullptr) << id;
    EXPECT_EQ(d->answersHelp, help) << id << " " << d->handler;
  }
  EXPECT_EQ(DescribeCommand(12345), nullptr);
}
