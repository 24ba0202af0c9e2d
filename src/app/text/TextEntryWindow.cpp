#include "app/text/TextEntryWindow.h"

#include "platform/Platform.h"
#include "platform/Window.h"

std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A byte that does not continue a multi-byte sequence starts a character.
    const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts && characters++ == count) return text.substr(0, i);
  }
  return text;
}

bool RunTextEntryWindow(std::string& text, std::size_t capacity, bool hasStartingText,
                        const std::string& startingText) {
  platform::TextEntryRequest request;
  request.caption = "Text Entry";
  request.text = hasStartingText ? startingText : std::string();
  std::string entered = request.text;
  if (platform::Current().ShowTextEntryWindow(request)) entered = request.text;
  text = capacity == 0 ? std::string() : FirstCharacters(entered, capacity - 1);
  return true;
}
