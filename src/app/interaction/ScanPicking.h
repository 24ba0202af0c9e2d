#pragma once
// Scans picked with the mouse: a click on a data point of the data or the
// residual plot writes the point's radius and signal at the top left, rings
// the point and offers to edit the scan (delete one point, or open it in a
// text editor and reload), to leave it out of the loaded set, or to cancel.
// Hovering over a point names its scan in a small label.

#include "platform/Geometry.h"

class TXLAWindow;

// Tolerance of a point pick, pixels.
inline constexpr int kPointPickTolerance = 3;

struct ScanEditStateRecord {
  int Rank = 0;   // time rank of the picked scan; 0 none
  int Point = 0;  // its picked point
  platform::Point Click;
  platform::Point PointButtonsAnchor;
  bool PointButtonsRight = true;
  // The scan-name label: its anchor and the time rank it names.
  platform::Point LabelAnchor;
  int LabelRank = 0;
  // The points the last hit tests found.
  int PickedPointIndex = 0;
  int PickedResidualPointIndex = 0;
};

extern ScanEditStateRecord ScanEditState;

// Positions and tolerances in plot-space units. The first point of scan f
// (a file index) within (tx, ty) of (x, y); points lie in ascending radius,
// so the search ends at the first point beyond x.
bool HitTestDataPoint(int f, int x, int y, int tx, int ty);
bool HitTestResidualPoint(int f, int x, int y, int tx, int ty);

// The end of a left press with scans loaded.
void PickScanAt(TXLAWindow& window, platform::Point point);

void ShowScanEditButtons(TXLAWindow& window, int x, int y, int rank);
void HideScanEditButtons(TXLAWindow& window);
// 0 cancel, 1 edit (shows the point buttons), 2 leave the scan out.
void HandleScanEditClick(TXLAWindow& window, int which);
void ShowPointEditButtons(TXLAWindow& window, int x, int y, bool rightSide);
void HidePointEditButtons(TXLAWindow& window);
// 1 delete the point from the file, 2 open the file in the text editor.
void EditScanInNotepad(TXLAWindow& window, int which);
void ReloadAfterScanEdit(TXLAWindow& window, int fileIndex);
void SaveEditedScan(TXLAWindow& window, int fileIndex, int point);

void ShowScanNameLabel(TXLAWindow& window, int rank, int x, int y);
void HideScanNameLabel(TXLAWindow& window);
