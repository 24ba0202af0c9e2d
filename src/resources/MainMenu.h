#pragma once
// The main window's menu bar "MENU_1" and its accelerator table 303, as data.
// The window loads them once at construction; run-time changes (check marks,
// greying, items inserted or removed) happen in the window's menu model.

#include <vector>

#include "platform/Menu.h"
#include "platform/Window.h"

inline constexpr const char* MainMenuName = "MENU_1";
inline constexpr int MainAcceleratorTableId = 303;

// The whole bar: "&Data", "&Copy", "D&isplay", "M&odel", the commands
// "&Parameters", "&Run" and "&Fit", then "&Generate", "Statistics",
// "&Options", "Plot" and "&Help" at the right end. Items checked in the
// resource carry their mark; item 231 starts greyed.
std::vector<platform::MenuItem> MainMenuBar();

// Ctrl+letter and Alt+letter shortcuts of the main window.
std::vector<platform::Accelerator> MainAccelerators();

// The menu parts of the bar, in their own files for size.
platform::MenuItem OptionsMenu();
