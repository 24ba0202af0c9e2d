// The screen buttons of a plot: a row of small buttons inside the frame at
// the right end of its top edge. The band of the frame that they cover, one
// nButtonSize high, is left out of the plot's point-to-data conversion, so a
// click on a button is never also a click on the data.
//
// The buttons render their own pictures in the plot space; the window paints
// them over the plot's picture and hit-tests them itself.

#include <cassert>
#include <cstdio>
#include <memory>
#include <string>

#include "plot/CWINPlot.h"

namespace {

// The first button shows a number and is this many button sizes wide; the
// others are one size wide.
constexpr int kValueButtonUnits = 3;

// One unit of space between neighbouring buttons and between the buttons
// and the frame, so that every button keeps its outline visible.
constexpr int kButtonGap = 1;

std::string ValueCaption(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return text;
}

void SetCaption(CScreenButton& button, const std::string& caption) {
  const int length = static_cast<int>(caption.size());
  // The same text in both states, so that a toggled button keeps its name.
  button.SetCaptions(caption, length, caption, length);
}

}  // namespace

void CWINPlot::PlaceButtons() {
  if (nButtons == 0) return;
  assert(static_cast<int>(pButtons.size()) == nButtons + 1);
  const float top = static_cast<float>(nTop + kButtonGap);
  const float bottom = static_cast<float>(nTop + nButtonSize - kButtonGap);
  // From the right end leftwards, so that the row ends at the frame's corner.
  int right = nRight;
  for (int i = nButtons; i >= 1; --i) {
    const int units = i == 1 ? kValueButtonUnits : 1;
    const int left = right - units * nButtonSize;
    CScreenButton& button = *pButtons[static_cast<std::size_t>(i)];
    button.SetRect(top, static_cast<float>(left + kButtonGap), bottom,
                   static_cast<float>(right - kButtonGap));
    button.Render();
    right = left;
  }
}

void CWINPlot::CreateValueButtons(int value) {
  if (nButtons > 0) {
    CScreenButton& first = *pButtons[1];
    SetCaption(first, ValueCaption(value));
    first.Render();
    return;
  }
  static constexpr const char* kSmallCaptions[] = {"X", "i", "e", "s"};
  pButtons.clear();
  pButtons.emplace_back();  // slot 0 stays empty: buttons are numbered from 1
  auto first = std::make_unique<CScreenButton>();
  first->Kind = 1;
  SetCaption(*first, ValueCaption(value));
  pButtons.push_back(std::move(first));
  for (const char* caption : kSmallCaptions) {
    auto button = std::make_unique<CScreenButton>();
    SetCaption(*button, caption);
    pButtons.push_back(std::move(button));
  }
  nButtons = static_cast<int>(pButtons.size()) - 1;
  PlaceButtons();
}
