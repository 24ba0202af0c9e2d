#include "platform/HeadlessBackend.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(HeadlessBackend, BoxesAnswerScriptedThenDefault) {
  HeadlessBackend b;
  b.ScriptBoxAnswer(BoxAnswer::No);
  EXPECT_EQ(b.ShowMessageBox({nullptr, "go on?", "Q", BoxIcon::Question, BoxButtons::YesNo}),
            BoxAnswer::No);
  EXPECT_EQ(b.ShowMessageBox({nullptr, "go on?", "Q", BoxIcon::Question, BoxButtons::YesNo}),
            BoxAnswer::Yes);
  EXPECT_EQ(b.ShowMessageBox({nullptr, "done", "Info", BoxIcon::Information, BoxButtons::Ok}),
            BoxAnswer::Ok);
  ASSERT_EQ(b.Log().size(), 3u);
  EXPECT_EQ(b.Log()[0], "box [Q] (question) go on? -> No");
}

TEST(HeadlessBackend, UnscriptedEntryAcceptsShownTextUnlessItWasJustRefused) {
  HeadlessBackend b;
  EntryRequest r{nullptr, "cap", "prompt", "abc", 15};
  EXPECT_TRUE(b.ShowEntryDialog(r));
  EXPECT_EQ(r.text, "abc");
  // The same question asked again later is answered again.
  EXPECT_TRUE(b.ShowEntryDialog(r));
  // Refused (a beep) and shown again with the same text: an unattended run
  // must not loop.
  b.Beep(BoxIcon::Information);
  EXPECT_FALSE(b.ShowEntryDialog(r));
  EXPECT_TRUE(b.ShowEntryDialog(r));
  EntryRequest empty{nullptr, "cap", "prompt", "", 15};
  EXPECT_FALSE(b.ShowEntryDialog(empty));
}

TEST(HeadlessBackend, ScriptedEntryIsCutToTheFieldSize) {
  HeadlessBackend b;
  b.ScriptEntry(std::string(40, '7'));
  b.ScriptEntry(std::nullopt);
  EntryRequest r{nullptr, "cap", "prompt", "", 15};
  EXPECT_TRUE(b.ShowEntryDialog(r));
  EXPECT_EQ(r.text, std::string(14, '7'));
  EXPECT_FALSE(b.ShowEntryDialog(r));
}

TEST(HeadlessBackend, QueueFiltersByWindowAndKind) {
  HeadlessBackend b;
  int w1 = 0, w2 = 0;
  b.QueueMessage({&w1, MessageKind::Timer, 0, 0});
  b.QueueKeyPress(&w2, 65, 'a');
  EXPECT_EQ(b.PeekMessage({&w2, false}, false)->kind, MessageKind::KeyDown);
  EXPECT_EQ(b.PeekMessage({nullptr, true}, true)->window, &w2);
  EXPECT_EQ(b.PendingMessages(), 2u);
  auto key = b.PeekMessage({&w2, false}, true);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->kind, MessageKind::KeyUp);
  EXPECT_EQ(b.PeekMessage({nullptr, false}, true)->kind, MessageKind::Timer);
  EXPECT_FALSE(b.WaitMessage({}));
}

TEST(HeadlessBackend, ClipboardHoldsOneItemAtATime) {
  HeadlessBackend b;
  EXPECT_TRUE(b.SetClipboardText("a\tb\n"));
  EXPECT_EQ(b.ClipboardText(), "a\tb\n");
  RgbImage image(3, 2);
  EXPECT_TRUE(b.SetClipboardBitmap(image));
  EXPECT_FALSE(b.ClipboardText());
  ASSERT_TRUE(b.ClipboardBitmap());
  EXPECT_EQ(b.ClipboardBitmap()->Width(), 3);
  EXPECT_EQ(b.Log().back(), "clipboard bitmap 3x2");
}
