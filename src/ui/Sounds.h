#pragma once
// Event sounds: each event class has numbered files in the installation's
// sounds folder; one of them, drawn at random, accompanies the event.

#include <array>
#include <atomic>
#include <string>

enum class SoundClass { Error, Info, Question, FitDone, Hi, Bye, Ok, Beer };
inline constexpr int SoundClassCount = 8;

struct SoundSettings {
  std::atomic<bool> SoundsOn{false};
  std::array<int, SoundClassCount> SoundFileCount{};
  float InfoSoundProbability = 0.2f;
  std::array<int, SoundClassCount> LastSoundIndex{-1, -1, -1, -1, -1, -1, -1, -1};
  bool Counted = false;  // the count at start has run; nothing plays before it
};

extern SoundSettings Sounds;

void CountSoundFiles();
std::string NumberedSoundFile(const std::string& basePath, int k);
void PlayErrorSound();
void PlayInfoSound();
void PlayQuestionSound();
void PlayFitDoneSound();
void PlayHiSound();
void PlayByeSound();
void PlayOkSound();
void PlayBeerSound();
void PlaySoundAsync(const std::string& file);
void PlaySoundWait(const std::string& file);
void MaybePlayInfoSound();
void CheckSoundsOn();
