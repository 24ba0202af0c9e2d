#include "ui/Sounds.h"

#include <gtest/gtest.h>

#include "state/ProgramPaths.h"
#include "support/TestSupport.h"
#include "ui/Boxes.h"

class EventSounds : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    std::filesystem::create_directories(dir.path() / "sounds");
    SetInstallationFolder(dir.path().string());
    Sounds.SoundsOn = true;
    Sounds.LastSoundIndex.fill(-1);
  }
  void TearDown() override {
    Sounds.SoundsOn = false;
    SetInstallationFolder("");
    HeadlessTest::TearDown();
  }
  void Touch(const std::string& name) { dir.Write("sounds/" + name, "RIFF"); }
  ScratchFolder dir;
};

TEST_F(EventSounds, CountStopsAtTheFirstMissingNumber) {
  Touch("error.wav");
  Touch("error2.wav");
  Touch("error4.wav");
  Touch("ok.wav");
  CountSoundFiles();
  EXPECT_EQ(Sounds.SoundFileCount[static_cast<int>(SoundClass::Error)], 2);
  EXPECT_EQ(Sounds.SoundFileCount[static_cast<int>(SoundClass::Ok)], 1);
  EXPECT_EQ(Sounds.SoundFileCount[static_cast<int>(SoundClass::Beer)], 0);
  for (int i = 0; i < 20; ++i) PlayErrorSound();
  for (const auto& line : LogLinesWith("sound")) {
    EXPECT_TRUE(line.ends_with("sounds/error.wav") || line.ends_with("sounds/error2.wav")) << line;
  }
}

TEST_F(EventSounds, NamesFollowTheNumberingRule) {
  EXPECT_EQ(NumberedSoundFile("/x/sounds/error.wav", 0), "/x/sounds/error.wav");
  EXPECT_EQ(NumberedSoundFile("/x/sounds/error.wav", 1), "/x/sounds/error.wav");
  EXPECT_EQ(NumberedSoundFile("/x/sounds/error.wav", 12), "/x/sounds/error12.wav");
  EXPECT_EQ(NumberedSoundFile("/x.d/sounds/bye", 2), "/x.d/sounds/bye2");
  EXPECT_EQ(NumberedSoundFile("", 2), "");
}

TEST_F(EventSounds, SingleAndMissingClassesNameTheBaseFile) {
  Touch("ok.wav");
  CountSoundFiles();
  PlayOkSound();
  PlayOkSound();
  PlayBeerSound();  // no files: the base file is named and stays silent
  const auto lines = LogLinesWith("sound async");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with("sounds/ok.wav"));
  EXPECT_TRUE(lines[1].ends_with("sounds/ok.wav"));
  EXPECT_TRUE(lines[2].ends_with("sounds/beer.wav"));
}

TEST_F(EventSounds, SilentWhileSoundsAreOff) {
  Touch("error.wav");
  CountSoundFiles();
  Sounds.SoundsOn = false;
  PlayErrorSound();
  ErrorBox("x");
  EXPECT_TRUE(LogLinesWith("sound").empty());
  EXPECT_EQ(Sounds.LastSoundIndex[static_cast<int>(SoundClass::Error)], -1);
}

TEST_F(EventSounds, ErrorBoxPlaysErrorThenFarewellWaitingWhenItQuits) {
  Touch("error.wav");
  Touch("bye.wav");
  CountSoundFiles();
  ErrorBox("out of memory", true);
  const auto log = backend().Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_TRUE(log[0].starts_with("sound async") && log[0].ends_with("error.wav"));
  EXPECT_TRUE(log[1].starts_with("box [Error]"));
  EXPECT_TRUE(log[2].starts_with("sound wait") && log[2].ends_with("bye.wav"));
  EXPECT_EQ(log[3], "quit 0");
}

TEST_F(EventSounds, EntryBoxesOpenWithTheQuestionSound) {
  Touch("question.wav");
  CountSoundFiles();
  float v = 0;
  backend().ScriptEntry("1");
  ASSERT_TRUE(InputFloat(v, 0, false, "p"));
  EXPECT_TRUE(backend().Log().front().ends_with("sounds/question.wav"));
}
