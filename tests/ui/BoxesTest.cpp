#include <gtest/gtest.h>

#include "platform/Thread.h"
#include "support/TestSupport.h"
#include "ui/Boxes.h"

using platform::MessageKind;

TEST(IsNumber, AcceptsTheLeadingDecimalNumberOfAText) {
  struct Case {
    const char* text;
    bool number;
    bool nonNegative;
  };
  const Case cases[] = {
      {"0", true, true},
      {"0abc", true, true},
      {".5", true, true},
      {"12abc", true, true},
      {"abc", false, false},
      {"", false, false},
      {" 0", false, false},
      {"-0", false, false},
      {"1e-50", false, false},
      {"-3", true, false},
      {"3", true, true},
      {"2.5e3", true, true},
      {"  7", true, true},
      {"inf", false, false},
      {"nan", false, false},
      {"0x10", true, true},
      {"-1.5e-2", true, false},
      // Beyond the float range: no value the program can hold.
      {"3.4e38", true, true},
      {"1e39", false, false},
      {"-1e39", false, false},
      {"1e400", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNumber(c.text), c.number) << '"' << c.text << '"';
    EXPECT_EQ(IsNonNegativeNumber(c.text), c.nonNegative) << '"' << c.text << '"';
  }
  EXPECT_FALSE(IsNumber(nullptr));
}

class EntryBoxes : public HeadlessTest {};

TEST_F(EntryBoxes, ShowTheDefaultInFixedOrExponentForm) {
  struct Case {
    float def;
    const char* shown;
  };
  for (Case c :
       {Case{6.5f, "[6.500000]"}, Case{0.005f, "[5.000000e-03]"}, Case{0.01f, "[1.000000e-02]"},
        Case{0.0f, "[0.000000e+00]"}, Case{-1.0f, "[-1.000000e+00]"},
        // The fixed form is cut to the field; only its decimals may go.
        Case{12345678.0f, "[12345678.00000]"},
        // Cut short, 15 integer digits would read as a tenth of the value.
        Case{1e15f, "[1.000000e+15]"}}) {
    backend().ClearLog();
    float value = 0;
    ASSERT_TRUE(InputFloat(value, c.def, true, "p"));
    EXPECT_EQ(value, c.def);
    ASSERT_EQ(LogLinesWith("entry [enter float]").size(), 1u);
    EXPECT_NE(LogLinesWith(c.shown).size(), 0u) << c.shown;
  }
}

TEST_F(EntryBoxes, RepeatWithABeepUntilTheTextIsANumber) {
  backend().ScriptEntry("abc");
  backend().ScriptEntry("-2");
  backend().ScriptEntry("1e39");
  backend().ScriptEntry("2.5");
  float value = 0;
  ASSERT_TRUE(InputPositiveFloat(value, 1.0f, false, "how much?"));
  EXPECT_EQ(value, 2.5f);
  EXPECT_EQ(LogLinesWith("beep").size(), 3u);
  EXPECT_EQ(LogLinesWith("entry [enter positive float] how much? []").size(), 1u);
}

TEST_F(EntryBoxes, CancelLeavesTheValueAlone) {
  backend().ScriptEntry(std::nullopt);
  float value = 42;
  EXPECT_FALSE(InputFloatIn(&value, value, 3.0f, true, nullptr, "Caption"));
  EXPECT_EQ(value, 42.0f);
  std::string text = "kept";
  backend().ScriptEntry(std::nullopt);
  EXPECT_FALSE(InputString(text, "name:"));
  EXPECT_EQ(text, "kept");
  backend().ScriptEntry("a name");
  EXPECT_TRUE(InputString(text, "name:"));
  EXPECT_EQ(text, "a name");
}

TEST_F(EntryBoxes, UnattendedRunWithARefusedDefaultEndsAsCancel) {
  float value = 5;
  // A negative default is refused by the positive box; unattended, the box
  // must give up rather than loop.
  EXPECT_FALSE(InputPositiveFloat(value, -1.0f, true, "x"));
  EXPECT_EQ(value, 5.0f);
}

class ErrorBoxes : public HeadlessTest {};

TEST_F(ErrorBoxes, ShowCaptionErrorAndPostQuitOnlyWhenAsked) {
  ErrorBox("something failed");
  EXPECT_EQ(backend().Log().back(), "box [Error] (information) something failed -> OK");
  EXPECT_FALSE(backend().QuitCode());
  ErrorBox("fatal", true);
  EXPECT_EQ(backend().QuitCode(), 0);
}

class KeyPolls : public HeadlessTest {};

TEST_F(KeyPolls, KeyPressedConsumesOneMessageOrAWholeKeystroke) {
  EXPECT_FALSE(KeyPressed());
  int w = 0;
  backend().QueueMessage({&w, MessageKind::Timer, 0, 0});
  backend().QueueKeyPress(&w, 65, 'a');
  EXPECT_FALSE(KeyPressed());  // the timer message is taken and lost
  EXPECT_EQ(backend().PendingMessages(), 2u);
  EXPECT_TRUE(KeyPressed());
  EXPECT_EQ(backend().PendingMessages(), 0u);
  backend().QueueKeyPress(&w, 65, 'a');
  EXPECT_FALSE(KeyPressedInWindow(nullptr));
  int other = 0;
  EXPECT_FALSE(KeyPressedInWindow(&other));
  EXPECT_TRUE(KeyPressedInWindow(&w));
}

TEST_F(KeyPolls, InterruptRequestedReadsThePendingFlagOnce) {
  int w = 0;
  EXPECT_FALSE(InterruptRequested(&w));
  KeyInterruptPending = true;
  EXPECT_FALSE(InterruptRequested(nullptr));
  EXPECT_TRUE(InterruptRequested(&w));
  EXPECT_FALSE(InterruptRequested(&w));
  backend().QueueMessage({&w, MessageKind::Timer, 0, 0});
  backend().QueueKeyPress(&w, 13, 13);
  EXPECT_TRUE(InterruptRequested(&w));  // the key-down is removed, the timer stays
  EXPECT_EQ(backend().PendingMessages(), 2u);
}

TEST_F(KeyPolls, ReadKeyCharAndEchoReportTheCharacter) {
  int code = 0;
  EXPECT_FALSE(ReadKeyChar(code));
  int w = 0;
  backend().QueueKeyPress(&w, 9, 9);
  ASSERT_TRUE(ReadKeyChar(code));
  EXPECT_EQ(code, 9);
  EXPECT_EQ(backend().PendingMessages(), 0u);

  EXPECT_EQ(ReadKeyEcho(&w), -1);
  backend().QueueKeyPress(&w, 13, 13);
  EXPECT_EQ(ReadKeyEcho(&w), 13);
  EXPECT_EQ(LogLinesWith("text (5,5) 13").size(), 1u);
}

// A press whose release never comes to us (a combination the window manager
// keeps, Alt+F4) ends the poll after a while instead of holding the program;
// the window's request to close met on the way is kept for the main loop,
// whichever poll meets it.
TEST_F(KeyPolls, KeystrokeWithoutReleaseEndsAndACloseRequestIsKept) {
  backend().SetClockStep(100);
  int w = 0;
  const auto pending = [&](MessageKind kind) {
    int n = 0;
    while (auto m = backend().PeekMessage({nullptr, false}, true)) n += m->kind == kind;
    return n;
  };
  backend().QueueMessage({&w, MessageKind::KeyDown, 18, 0});  // Alt
  backend().QueueMessage({&w, MessageKind::Close, 0, 0});
  EXPECT_TRUE(KeyPressed());
  EXPECT_EQ(pending(MessageKind::Close), 1);
  backend().QueueMessage({&w, MessageKind::Close, 0, 0});
  EXPECT_FALSE(KeyPressed());
  EXPECT_EQ(pending(MessageKind::Close), 1);
  int code = 0;
  backend().QueueMessage({&w, MessageKind::Close, 0, 0});
  EXPECT_FALSE(ReadKeyChar(code));
  EXPECT_EQ(ReadKeyEcho(&w), -1);
  EXPECT_EQ(pending(MessageKind::Close), 1);
}

// A key without a character gives none, and the key pressed after it is not
// taken with it.
TEST_F(KeyPolls, KeyWithoutCharacterGivesNoneAndLeavesTheNextKey) {
  int w = 0;
  backend().QueueMessage({&w, MessageKind::KeyDown, 16, 0});  // Shift
  backend().QueueMessage({&w, MessageKind::KeyUp, 16, 0});
  backend().QueueKeyPress(&w, 's', 's');
  EXPECT_EQ(ReadKeyEcho(&w), -1);
  EXPECT_EQ(ReadKeyEcho(&w), 's');
}

TEST_F(KeyPolls, WaitsEndOnTimeOrOnAKey) {
  backend().SetClockStep(100);
  BusyWait(0);
  BusyWait(-1);
  BusyWait(0.5f);
  int w = 0;
  EXPECT_FALSE(WaitForKeyDown(&w, 0));
  EXPECT_FALSE(WaitForKeyDown(&w, 0.5f));
  EXPECT_FALSE(WaitForKeyDown(nullptr, 0.5f));
  backend().QueueKeyPress(&w, 32, ' ');
  EXPECT_TRUE(WaitForKeyDown(&w, 0.5f));
  EXPECT_EQ(backend().PendingMessages(), 2u);  // looked at, not removed
}

TEST(FileExistsTest, TellsReadableFilesFromMissingOnes) {
  ScratchFolder dir;
  EXPECT_TRUE(FileExists(dir.Write("a.txt", "x")));
  EXPECT_FALSE(FileExists(dir.File("missing.txt")));
}

TEST_F(ErrorBoxes, OnAWorkerThreadTheTextWaitsForTheStarter) {
  struct Worker : platform::Thread {
    int Run() override {
      ErrorBox("Error 1 in tridag");
      return 0;
    }
  } worker;
  ASSERT_TRUE(worker.Start());
  worker.WaitForExit();
  EXPECT_TRUE(LogLinesWith("box").empty());
  const auto deferred = worker.TakeDeferredMessages();
  ASSERT_EQ(deferred.size(), 1u);
  EXPECT_EQ(deferred[0], "Error 1 in tridag");
}
