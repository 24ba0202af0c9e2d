#pragma once
// Short builders for the menu data of the main window, so that the long item
// lists of the menu files read as a table of ids and texts.

#include <utility>
#include <vector>

#include "platform/Menu.h"

namespace menu_data {

inline platform::MenuItem Item(int id, const char* text) {
  return platform::MenuItem::Command(id, text);
}

inline platform::MenuItem Popup(const char* text, std::vector<platform::MenuItem> items) {
  return platform::MenuItem::Popup(text, std::move(items));
}

}  // namespace menu_data
