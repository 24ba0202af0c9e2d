#pragma once
// Small services shared by the scan tools: questions and number entries
// with the tools' captions, the offer to save changed scans, repaints.

#include <string>

#include "app/models/ModelCommandSupport.h"  // ScansLoaded

class CWINPlot;
class TXLAWindow;

bool Ask(TXLAWindow& window, const std::string& text, const std::string& caption = "");
void Tell(TXLAWindow& window, const std::string& text, const std::string& caption = "");
// A number; the box starts at the current value. False on Cancel (value kept).
bool AskNumber(TXLAWindow& window, float& value, const char* prompt, const char* caption);
bool AskNumber(TXLAWindow& window, double& value, const char* prompt, const char* caption);
// "save new data?" or "save data?" (empty caption); yes saves the loaded
// scans through the save command of the data menu.
void OfferToSaveScans(TXLAWindow& window, const char* question = "save new data?");
// Renders the data plot anew and repaints the whole window.
void RenderAndRepaint(TXLAWindow& window);
void Repaint(TXLAWindow& window);

// A mouse-action plot rendered with its axes fitted to the curves and its
// tick labels and titles in a larger face (height 25) than the main plots';
// the program's label fonts are back as they were afterwards.
void RenderToolPlot(CWINPlot& plot);
