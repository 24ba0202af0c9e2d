#pragma once
// Display commands of the main window: "Data Range" (the data plot zoomed
// to the data inside the fit range, remembered as one more level of the
// display-range history), "Show Last Fit Info Again", the screenshot to the
// clipboard, printing, and two switches of the data (the export of the
// distribution matrices, the form of light-scattering autocorrelations).

#include <array>

class CommandTable;
class TXLAWindow;

// The history of display ranges that "Data Range" and the zoom of the right
// mouse button step through: the current level (0 to 9) and per level the
// radius and signal range shown.
struct DisplayRangeStackRecord {
  static constexpr int MaxLevel = 9;
  int Level = 0;
  std::array<float, MaxLevel + 1> MinRadius{};
  std::array<float, MaxLevel + 1> MaxRadius{};
  std::array<float, MaxLevel + 1> MinSignal{};
  std::array<float, MaxLevel + 1> MaxSignal{};
};

extern DisplayRangeStackRecord DisplayRangeStack;

void CmDataRange(TXLAWindow& window);
void CmShowLastFitInfo(TXLAWindow& window);
void CmCopyScreenshot(TXLAWindow& window);
void CmPrint(TXLAWindow& window);
void CmPrinterSetup(TXLAWindow& window);
void CmToggleExportMatrices(TXLAWindow& window);
void CmToggleIntensityFieldACF(TXLAWindow& window);

// The window helpers' and the display commands' ids (these and the display
// options, the temperature and rotor-speed plots).
void RegisterViewCommands(CommandTable& table);
