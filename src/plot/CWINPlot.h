#pragma once
// The plot record of the program: a list of curves with their point styles,
// colours and sub-ranges, axis titles and labels, fixed or automatic ranges,
// shaded x intervals, colour-coded points with a colour bar, a secondary y
// scale, the frame in the plot space, the linear mapping from data to logical
// units, and the picture of the last rendering.
//
// A plot is not a window. Its owner makes it, adds curves (which stay the
// owner's), sets titles and options, places it and renders it; windows only
// replay hMetaFile. The members are public because the display code reads
// the frame, the mapping and the ranges directly, and sets a few options.
//
// The plot space is PlotSpaceWidth() x PlotSpaceHeight() logical units
// (1399 x 1000), origin top left, y growing downwards, so nBottom is the
// larger number. Curve indices run 0 .. nCurves - 1; an operation given
// another index does nothing (getters return 0).
//
// Everything runs on the user-interface thread, except that the overlay
// renderers (which only read the plot) may be called from the thread that
// steps a live simulation view.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Metafile.h"
#include "ui/CScreenButton.h"

// Whether a dashed line draws a dash or a gap next; carried over between
// curves and plots, so dense points of consecutive curves keep one rhythm.
extern int DashPhase;

// Text members keep at most this many bytes (a longer text is cut at a
// character boundary); the colour-bar title keeps more.
inline constexpr std::size_t kPlotTextLimit = 99;
inline constexpr std::size_t kColorBarTitleLimit = 499;

// The number of colour steps of a colour bar beside a frame of this height.
int ColorBarSteps(int frameHeight);

class CWINPlot {
 public:
  CWINPlot();
  // A plot holding one curve: a new view over the given curve's vectors
  // (kept by the plot), point style 0 for it and for later curves, laid out.
  explicit CWINPlot(const CCurve& curve);
  CWINPlot(const CWINPlot&) = delete;
  CWINPlot& operator=(const CWINPlot&) = delete;
  ~CWINPlot();

  // ---- Curves and per-curve settings ------------------------------------
  // Appends the curve (kept by the caller), lays the plot out, and renders
  // it when this is its first curve and the layout asked for no deferral.
  void AddCurve(CCurve* curve);
  void RemoveLastCurve();
  // Removes all curves with their per-curve data and bar edges; titles,
  // ranges, intervals, error values and colour values stay.
  void ClearCurves();
  // Puts the curve in the last slot, lays out and renders; the rendering's
  // result, 0 for a plot without curves.
  int ReplaceLastCurve(CCurve* curve);
  void ReplaceCurve(int i, CCurve* curve);
  void SetCurveColor(int i, platform::Color color);
  platform::Color GetCurveColor(int i) const;
  void SetCurveStyle(int i, int style);
  int GetCurveStyle(int i) const;
  // Points first .. last only (first raised to 0, last lowered to the
  // curve's last point when it is negative or beyond it).
  void SetCurveRange(int i, int first, int last);
  void SetLegendText(int i, std::string_view text);
  void ShowLegend() { bShowLegend = true; }
  void HideLegend() { bShowLegend = false; }
  // Bars of style 21 from left[k + 1] to right[k + 1] (one-based arrays of
  // n values, wrapped without copying: the caller keeps them alive). Applies
  // only when n equals the curve's number of points.
  void SetBarEdges(int i, float* left, float* right, int n);
  // Error values (absolute y of the bar ends) of curve i, one-based arrays
  // of n values wrapped without copying, n equal to the curve's points.
  void SetLowErrorValues(int i, float* values, int n);
  void SetHighErrorValues(int i, float* values, int n);
  // Shaded band from the vector's value 0 to its value 1 (kept by the
  // caller); at most nMaxIntervals, later ones are ignored.
  void AddShadedInterval(const CVector* interval);
  // Colour-codes the points of curve c: point k takes values[first + k].
  void SetPointColorValues(int c, const float* values, int first, int last, int projections);
  void SetSecondaryYScale(float a, float b);
  // Copies the one-based marks[1..n]; unmarked points (mark 0) are drawn
  // with the given style, colour and size.
  void SetPointMarks(const int* marks, int n, int style, platform::Color color, int size);
  void SetDefaultStyle(int style);

  // ---- Colours ---------------------------------------------------------
  // The colour ramp of colour-coded points, v in 0 .. 1 (clamped). The value
  // is taken in double precision so that a caller's exact decimal keeps its
  // meaning against the single-precision thresholds.
  platform::Color ValueToColor(double v) const;
  void InitPalette();
  platform::Color PaletteColor(int i) const;
  void SetPaletteColor(int i, platform::Color color);
  void SetColorScaleRange(float lower, float upper);
  void ShowColorBarScale() { bColorBarScale = true; }
  void SetAltColorRamp(int flag) { bAltColorRamp = flag != 0; }
  void BlackForMinusOne() { bMinusOneBlack = true; }
  void NoBlackForMinusOne() { bMinusOneBlack = false; }
  void WhiteForMinusOne() { bMinusOneWhite = true; }
  void NoWhiteForMinusOne() { bMinusOneWhite = false; }
  void HideMinusOne() { bMinusOneHidden = true; }
  void ShowMinusOne() { bMinusOneHidden = false; }
  void SetColorBarEndLabels(int offset, std::string_view low, std::string_view high);
  void SetColorBarTitle(int x, int offset, std::string_view text);

  // ---- Texts and switches ----------------------------------------------
  void SetXTitle(std::string_view text);
  void SetYTitle(std::string_view text);
  void SetTopTitle(std::string_view text);
  void SetYBottomLabel(std::string_view text);
  void SetYTopLabel(std::string_view text);
  void ClearXTitle();
  void ClearYTitle();
  void SetTopTitleOffset(int n) { nTopTitleOffset = n; }
  void SetXTitleOffset(int n) { nXTitleOffset = n; }
  void SetYTitleOffset(int n) { nYTitleOffset = n; }
  void SetTopTitleShift(int n) { nTopTitleShift = n; }
  void ToggleYFromZero() { bYFromZero = !bYFromZero; }
  void ClearYFromZero() { bYFromZero = false; }
  void ToggleConnectPoints() { bConnectPoints = !bConnectPoints; }
  void ClearConnectPoints() { bConnectPoints = false; }
  void HideTickLabels() { bHideTickLabels = true; }
  void ShowTickLabels() { bHideTickLabels = false; }
  void ShowRightYLabels() { bRightYLabels = true; }
  void HideRightYLabels() { bRightYLabels = false; }
  void SetDrawBackground(int flag) { bDrawBackground = flag != 0; }
  // Puts the screen buttons in a row inside the frame at the right end of
  // its top edge, one nButtonSize high, and renders them; nothing without
  // buttons.
  void PlaceButtons();
  // The first call makes a push button showing the value and four small
  // buttons "X", "i", "e" and "s", and places them; later calls only show
  // the new value on the first.
  void CreateValueButtons(int value);

  // ---- Mapping ---------------------------------------------------------
  // Data to logical units, truncated toward zero; on a logarithmic axis a
  // non-positive value falls nLogFloorOffset inside the frame edge.
  int MapX(float x) const;
  int MapY(float y) const;
  // A window point in height units (x times the aspect gives logical x) to
  // data; false outside the frame (below the button row) or when unplaced.
  bool PointToData(int x, int y, float& dataX, float& dataY) const;

  // ---- Layout and scaling ----------------------------------------------
  // Frame from thousandths of the width (left, right) and logical rows.
  void Place(int top, int left, int bottom, int right);
  void Layout();
  void Relayout() { Layout(); }
  void SetAutoRanges();
  // Fixes both ranges; ignored when either is narrower than 1e-10.
  void SetRanges(float xmin, float xmax, float ymin, float ymax);
  void SetXRange(float xmin, float xmax);
  void SetYRange(float ymin, float ymax);
  void SetXRangeAutoY(float xmin, float xmax);
  float SecondaryYValueAt(int row) const;

  // ---- Rendering -------------------------------------------------------
  // Records the whole plot into a new metafile kept as hMetaFile; 1 when a
  // new picture was made, 0 for a plot without curves.
  int Render();
  void DrawValueLabel(platform::Canvas& dc, int x, int y, int c, int k);
  void PlotFunction(platform::Canvas& dc, const std::function<float(float)>& f, int n,
                    platform::Color color);
  // A recorder in the plot space with the background drawn; the caller
  // draws on and closes it.
  std::unique_ptr<platform::MetafileRecorder> CreateBackgroundMetafile() const;

  // ---- Curve drawing ---------------------------------------------------
  void DrawCurve(platform::Canvas& dc, int i);
  static void DrawDot(platform::Canvas& dc, int x, int y);
  static void DrawDashedSegment(platform::Canvas& dc, int x0, int y0, int x1, int y1);
  static void DrawDashEnd(platform::Canvas& dc, int x, int y);
  void RandomDrawOrder(int first, int n);
  // Where a colour value of the colour-coded curve lies on the ramp: on the
  // explicit colour scale, or as a fraction of the largest value; clamped to
  // 0 .. 1, and -1 for a value of exactly -1 while it has a colour of its own.
  float ColorWeightOf(float value) const;
  void DrawErrorBars(platform::Canvas& dc, int i, const float* lower, const float* upper, int first,
                     int last, platform::Color color);

  // ---- Overlays (one extra curve in a picture of its own) ----------------
  // Points are numbered from 1. A null picture means nothing was made.
  platform::Metafile RenderOverlayCurve(const CCurve& curve, int first, int last,
                                        platform::Color color, int style, int size) const;
  platform::Metafile RenderOverlay(const CCurve& curve, platform::Color color, int style,
                                   int size) const;
  platform::Metafile RenderOverlayArrays(float* x, float* y, int n, platform::Color color,
                                         int style, int size) const;
  platform::Metafile RenderOverlayDoubleArrays(const double* x, const double* y, int n,
                                               platform::Color color, int style, int size) const;
  platform::Metafile RenderOverlayArraysRange(float* x, float* y, int n, int first, int last,
                                              platform::Color color, int style, int size) const;
  platform::Metafile RenderOverlayFloatDoubleArrays(float* x, const double* y, int n,
                                                    platform::Color color, int style,
                                                    int size) const;
  platform::Metafile RenderOverlayScaledDouble(float* x, const double* y, int n, float v,
                                               platform::Color color, int style, int size) const;
  platform::Metafile RenderOverlayScaledFloat(float* x, const float* y, int n, float v,
                                              platform::Color color, int style, int size) const;
  // The colour of point k (0-based) is table[k + 1][1..3], red, green, blue.
  platform::Metafile RenderOverlayColoredCurve(const CCurve& curve, int first, int last,
                                               const int* const* table, int style, int size) const;
  platform::Metafile RenderOverlayColoredArrays(float* x, float* y, int n, const int* const* table,
                                                int style, int size) const;
  platform::Metafile RenderOverlayXLine(float x, platform::Color color) const;
  platform::Metafile RenderOverlayDashedXLine(float x, platform::Color color) const;
  platform::Metafile RenderOverlayFrameHighlight(platform::Color color) const;

  // ---- Members ---------------------------------------------------------
  platform::Metafile hMetaFile;  // picture of the last successful rendering
  bool bNoCurves = false;        // render frame, axes and texts only
  bool bOwnsMetaFile = false;    // the next rendering releases hMetaFile
  bool bClipOverlaySymbols = false;
  int nEvery = 1;  // every n-th curve, and every n-th point of a curve
  bool bLowErrorBars = false;
  bool bHighErrorBars = false;
  // Per curve (0 .. nErrorBarCapacity once used): wrapping vectors.
  std::vector<std::unique_ptr<CVector>> pLowErrorValues;
  std::vector<std::unique_ptr<CVector>> pHighErrorValues;
  int nErrorBarCapacity = 100;
  std::vector<std::unique_ptr<CVector>> pBarLeft;
  std::vector<std::unique_ptr<CVector>> pBarRight;
  bool bBarEdges = false;
  int nBarEdgeCapacity = 100;
  int iColorCurve = -1;
  bool bPointColors = false;
  bool bShowColorBar = false;
  int nColorBarOffset = 0;
  float fColorScaleMax = 0;
  float fColorScaleMin = 0;
  bool bColorScaleRange = false;
  OneBasedArray<int> pPointMarks;  // 1 .. nPointMarks; 0 marks "unmarked"
  int nPointMarks = 0;
  platform::Color colUnmarked = platform::Rgb(200, 200, 200);
  int nUnmarkedSize = 3;
  int nUnmarkedStyle = 1;
  bool bRangeCheckMarkedOnly = false;
  int nColorBarLabelOffset = 0;
  bool bColorBarEndLabels = false;
  std::string szColorBarLowLabel;
  std::string szColorBarHighLabel;
  OneBasedArray<int> pDrawOrder;  // 1 .. nDrawOrder
  int nDrawOrder = 0;
  bool bRandomOrder = false;
  bool bColorBarTitle = false;
  int nColorBarTitleX = 0;
  int nColorBarTitleOffset = 0;
  std::string szColorBarTitle;
  bool bMinusOneBlack = false;
  bool bMinusOneHidden = false;
  bool bMinusOneWhite = false;
  int nIntervals = 0;
  int nMaxIntervals = 10;
  std::vector<const CVector*> pIntervals;  // the caller's vectors, in order
  const float* pColorValues = nullptr;     // the caller's values
  float fColorValueMax = 0;
  int nColorValues = 0;
  bool bColorBarScale = false;
  bool bAltColorRamp = false;
  bool bProjections = false;
  bool bSecondaryY = false;
  float fSecondaryYLow = 0;
  float fSecondaryYHigh = 0;
  // Side projections of the last drawing of the colour-coded curve.
  int nProjX = 0;
  OneBasedArray<float> pProjX;
  OneBasedArray<float> pProjXMax;
  int nProjY = 0;
  OneBasedArray<float> pProjY;
  OneBasedArray<float> pProjYMax;
  bool bRightYLabels = false;
  bool bDrawBackground = true;
  int nColorKeyRows = 0;
  bool bHideTickLabels = false;
  std::vector<platform::Color> pCurveColor;
  std::vector<int> pCurveColorSet;
  int nSymbolSize = 10;
  int nBarHalfWidth = 10;
  int nBoxHalfHeight = 10;
  int nBoxHalfWidth = 10;
  bool bLogTicksX = false;  // x values are decimal logarithms: log-style ticks
  bool bLogTicksY = false;
  bool bBreakOnXDecrease = false;
  float fLabelFactor = 1.0f;
  bool bLogX = false;
  bool bLogY = false;
  int nLogFloorOffset = 20;
  std::vector<int> pRangeSet;
  std::vector<int> pRangeFirst;
  std::vector<int> pRangeLast;
  bool bNoYAxis = false;
  bool bNoXAxis = false;
  bool bNoTopMargin = false;
  bool bTopInnerTicks = false;
  int nCurves = 0;
  std::vector<CCurve*> pCurves;  // the caller's curves
  std::vector<int> pCurveStyle;
  std::string szYBottomLabel;
  bool bYBottomLabel = false;
  std::string szYTopLabel;
  bool bYTopLabel = false;
  std::string szXTitle;
  int nXTitleOffset = 0;
  std::string szYTitle;
  int nYTitleOffset = 0;
  std::string szTopTitle;
  int nTopTitleShift = 0;
  int nTopTitleOffset = 0;
  bool bTopTitle = false;
  bool bXTitle = false;
  bool bYTitle = false;
  std::vector<std::string> pLegendText;  // empty: no legend for that curve
  bool bShowLegend = false;
  int nLeft = 0;
  int nRight = 0;
  int nBottom = 0;
  int nTop = 0;
  bool bFixedX = false;
  bool bFixedY = false;
  bool bYFromZero = false;
  bool bDeferRender = true;
  float fXScale = 0;
  float fYScale = 0;
  float fXOffset = 0;
  float fYOffset = 0;
  float fXMin = 0;
  float fXMax = 0;
  float fYMin = 0;
  float fYMax = 0;
  int nBgLeft = 0;
  int nBgBottom = 0;
  int nBgRight = 0;
  int nBgTop = 0;
  bool bConnectPoints = false;
  int nDefaultStyle = -1;
  std::array<platform::Color, 10> pPalette{};
  platform::Color colBackground = platform::kWhite;
  platform::Color colFrame = platform::kBlack;
  // Button i is pButtons[i], 1 .. nButtons; slot 0 stays empty.
  std::vector<std::unique_ptr<CScreenButton>> pButtons;
  int nButtons = 0;
  int nButtonSize = 20;

 private:
  bool ValidCurve(int i) const { return i >= 0 && i < nCurves; }
  // The empty state of a plot without curves: zero mapping, ranges -1 .. 1.
  void SetEmptyState();
  // Stores the four mapping values (or only one axis), raising bDeferRender
  // when a value that was set before changes.
  void ComputeMapping(bool xAxis, bool yAxis);
  // Points first .. last of curve i that the automatic ranges look at.
  void PointWindow(int i, int& first, int& last) const;
  bool IsSecondaryColorCurve(int i) const;
  void LayoutX();
  void LayoutY();
  void WrapArray(std::vector<std::unique_ptr<CVector>>& list, int capacity, int i, float* values,
                 int n);

  // Rendering steps.
  int RenderPass(bool mayRepeat);
  void DrawShadedIntervals(platform::Canvas& dc);
  void DrawXTicks(platform::Canvas& dc);
  int DrawYTicks(platform::Canvas& dc);
  void DrawColorBar(platform::Canvas& dc);
  void DrawColorBarScale(platform::Canvas& dc, int barLeft);
  void DrawTitles(platform::Canvas& dc, int labelWidth);

  // Curve drawing steps.
  void DrawColorKey(platform::Canvas& dc);
  void DrawLegend(platform::Canvas& dc, int i, platform::Color color);
  void DrawProjections(platform::Canvas& dc, const CCurve& curve, int n);

  // Overlay steps.
  platform::Metafile RecordOverlay(const CCurve& curve, int first, int last, platform::Color color,
                                   const int* const* table, int style, int size) const;

  std::unique_ptr<CCurve> ownCurve_;  // the view made by CWINPlot(const CCurve&)
};
