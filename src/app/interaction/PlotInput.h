#pragma once
// The mouse handlers of the main window. Each starts with the same guards:
// a tool screen painted in place of the main plots ignores the mouse, a
// busy Run or Fit turns the input into a request to stop, and without a
// data plot nothing further happens. Points are client pixels; modifiers
// are the mouse-message key flags of CursorActions.h.

#include "platform/Geometry.h"
#include "platform/Window.h"

class TXLAWindow;

// The left button: screen buttons, the grab of a cursor line, the scan
// pick; a double click places the keyboard cursor.
void HandleLeftButtonDown(TXLAWindow& window, int modifiers, platform::Point point);
void HandleLeftButtonUp(TXLAWindow& window, int modifiers, platform::Point point);
void HandleLeftButtonDblClk(TXLAWindow& window, int modifiers, platform::Point point);
// Drags a held line or the rubber band, highlights the line under the
// mouse, shows coordinates and names the scan under the mouse.
void HandleMouseMove(TXLAWindow& window, platform::Point point);
// The rubber band: zoom of the data plot or a distribution range; a double
// click steps the zoom back, restores the distribution's full scale or
// reads out a molar mass.
void HandleRightButtonDown(TXLAWindow& window, int modifiers, platform::Point point);
void HandleRightButtonUp(TXLAWindow& window, int modifiers, platform::Point point);
void HandleRightButtonDblClk(TXLAWindow& window, int modifiers, platform::Point point);

// Routes a platform mouse event to the handlers above.
void DispatchMouse(TXLAWindow& window, platform::MouseAction action,
                   const platform::MouseEvent& event);

// Strictly between the data plot's top and bottom edges (only y counts),
// while the data are shown.
bool IsOverDataPlot(int x, int y);
// Below 95 % of the distribution plot's top edge, while it exists.
bool IsPastDistributionPlotEdge(int x, int y);

// Alt+M: off -> sliding -> sliding with bouncing -> off.
void CmToggleMouseSliding(TXLAWindow& window);
