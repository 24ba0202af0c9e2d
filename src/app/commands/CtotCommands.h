#pragma once
// The mean-field commands of the non-ideal c(s) model: restore ctot(r,t)
// from a CTOT file, export it, show it over the data plot, and clear it;
// and the question about the mean field before new files are loaded.

class CommandTable;
class TXLAWindow;
namespace platform {
class Canvas;
}

void LoadCtotDataFiles(TXLAWindow& window);
void SaveCtotDataFile(TXLAWindow& window);
void CmClearMeanFieldCtot(TXLAWindow& window);
// Before "Load New Files": with a mean field, asks whether to reset it.
void AskResetCtot(TXLAWindow& window);
// "Display ctot(r,t) (in mg/ml units)": with frames loaded, or the model's
// field in use, the profiles are drawn over the data plot from the next
// paint on, until Esc hides them.
void ShowCtotOverlay(TXLAWindow& window);
// Esc: hides a shown overlay and repaints; false when none was shown.
bool HideCtotOverlay(TXLAWindow& window);
// Part of the paint, after the data plot's overlays: every frame as a curve
// of its radii (cm) against ctot (mg/ml). A signal axis that does not reach
// from 0 to the first frame's last value is widened first (-5 % .. 110 %),
// and the curves come with the paint that shows it.
void DrawCtotOverlay(TXLAWindow& window, platform::Canvas& dc);
void InstallCtotOverlay(TXLAWindow& window);
void RemoveCtotOverlay();
void RegisterCtotCommands(CommandTable& table);
