#include "ui/Sounds.h"

#include <cstdlib>
#include <ctime>

#include "state/ProgramPaths.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

SoundSettings Sounds;

namespace {

const std::string& BasePath(SoundClass c) {
  return ProgramPaths.SoundBaseFiles[static_cast<std::size_t>(c)];
}

int CountClass(SoundClass c) {
  const std::string& base = BasePath(c);
  if (base.empty()) return 0;
  int k = 0;
  while (FileExists(NumberedSoundFile(base, k + 1))) ++k;
  return k;
}

void PlayClass(SoundClass c) {
  if (!Sounds.SoundsOn || !Sounds.Counted) return;
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  const auto index = static_cast<std::size_t>(c);
  const int n = Sounds.SoundFileCount[index];
  if (c == SoundClass::Hi) {
    // A few extra draws so that the greeting differs between starts within
    // the same second.
    for (int i = 1; std::rand() % 10 >= i; ++i)
      if (n > 0) std::rand();
  }
  auto draw = [n] { return n > 0 ? std::rand() % n : 0; };
  int b = draw();
  if (b == Sounds.LastSoundIndex[index]) b = draw();
  Sounds.LastSoundIndex[index] = b;
  const std::string file = NumberedSoundFile(BasePath(c), b + 1);
  if (c == SoundClass::Bye)
    PlaySoundWait(file);
  else
    PlaySoundAsync(file);
}

}  // namespace

void CountSoundFiles() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  Sounds.Counted = true;
  for (SoundClass c : {SoundClass::Error, SoundClass::Beer, SoundClass::Info, SoundClass::Question,
                       SoundClass::FitDone, SoundClass::Hi, SoundClass::Bye, SoundClass::Ok})
    Sounds.SoundFileCount[static_cast<std::size_t>(c)] = CountClass(c);
}

std::string NumberedSoundFile(const std::string& basePath, int k) {
  if (basePath.empty()) return {};
  if (k <= 1) return basePath;
  const std::size_t slash = basePath.find_last_of('/');
  const std::size_t dot = basePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::size_t at = hasExtension ? dot : basePath.size();
  return basePath.substr(0, at) + std::to_string(k) + basePath.substr(at);
}

void PlayErrorSound() { PlayClass(SoundClass::Error); }
void PlayInfoSound() { PlayClass(SoundClass::Info); }
void PlayQuestionSound() { PlayClass(SoundClass::Question); }
void PlayFitDoneSound() { PlayClass(SoundClass::FitDone); }
void PlayHiSound() { PlayClass(SoundClass::Hi); }
void PlayByeSound() { PlayClass(SoundClass::Bye); }
void PlayOkSound() { PlayClass(SoundClass::Ok); }
void PlayBeerSound() { PlayClass(SoundClass::Beer); }

void PlaySoundAsync(const std::string& file) {
  if (Sounds.SoundsOn) platform::Current().PlaySoundFile(file, false);
}

void PlaySoundWait(const std::string& file) {
  if (Sounds.SoundsOn) platform::Current().PlaySoundFile(file, true);
}

void MaybePlayInfoSound() {
  const int r = std::rand() % 100 + 1;
  if (static_cast<float>(r) * 0.01f <= Sounds.InfoSoundProbability) PlayInfoSound();
}

void CheckSoundsOn() { (void)Sounds.SoundsOn.load(); }
