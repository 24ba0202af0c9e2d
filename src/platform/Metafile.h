#pragma once
// Recorded pictures. A MetafileRecorder is a canvas that draws nothing: it
// writes down every call. Close() hands the recording out as a Metafile, an
// immutable list of operations that any canvas can replay, with the mapping
// the player chooses. Metafiles are values: copying one shares the list,
// releasing one (or letting it go out of scope) drops the share.

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Mapping.h"
#include "platform/MetafileOps.h"

namespace platform {

// How PlayInto fits the picture's window extent onto the target rectangle.
enum class PlayFit {
  Stretch,    // each axis on its own (anisotropic)
  KeepAspect  // one scale for both axes, from the rectangle's top left (isotropic)
};

class Metafile {
 public:
  // No picture ("none").
  Metafile() = default;

  bool IsNull() const { return !storage_; }
  void Release() { storage_.reset(); }

  // The recorded operations; empty for no picture.
  const std::vector<MetafileOp>& Operations() const;
  // The first window extent the recording set, when it set one: the size of
  // the logical space the picture was drawn in.
  std::optional<Size> WindowExtent() const;

  // Replays onto the target with the mapping the target has. The target's
  // state is saved before and restored after, so the picture leaves no pen,
  // font or mapping behind, however its own saves and restores pair up.
  void Play(Canvas& target) const;
  // Replays with the picture's window extent mapped onto a rectangle of the
  // target in device pixels (the recording's size when it set no extent).
  void PlayInto(Canvas& target, const Rect& deviceRect, PlayFit fit = PlayFit::Stretch) const;

 private:
  friend class MetafileRecorder;
  struct Storage {
    std::vector<MetafileOp> operations;
    std::optional<Size> windowExtent;
  };
  explicit Metafile(std::shared_ptr<const Storage> storage) : storage_(std::move(storage)) {}

  std::shared_ptr<const Storage> storage_;
};

class MetafileRecorder : public Canvas {
 public:
  Pen SelectPen(const Pen& pen) override;
  Brush SelectBrush(const Brush& brush) override;
  Font SelectFont(const Font& font) override;
  Color SetTextColor(Color color) override;
  Color SetBackgroundColor(Color color) override;
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override;
  TextAlign SetTextAlign(TextAlign align) override;
  RasterOp SetRasterOp(RasterOp op) override;
  MapMode SetMapMode(MapMode mode) override;
  Size SetWindowExtent(Size extent) override;
  Point SetWindowOrigin(Point origin) override;
  Size SetViewportExtent(Size extent) override;
  Point SetViewportOrigin(Point origin) override;
  void IntersectClipRect(const Rect& rect) override;
  void ResetClip() override;
  void Save() override;
  bool Restore() override;
  Point MoveTo(Point p) override;
  void LineTo(Point p) override;
  Point CurrentPosition() const override { return state_.position; }
  void Polyline(std::span<const Point> points) override;
  void Polygon(std::span<const Point> points) override;
  void Rectangle(const Rect& rect) override;
  void Ellipse(const Rect& bounds) override;
  void Arc(const Rect& bounds, Point start, Point end) override;
  void TextOut(Point at, std::string_view text) override;
  // An estimate from the proportions of the faces the raster canvas uses: a
  // recording has no device to measure on.
  Size TextExtent(std::string_view text) override;
  void DrawImage(const Rect& destination, const RgbImage& image) override;
  // A recording holds no pixels: always empty.
  RgbImage ReadPixels(const Rect& area) override;

  // Operations so far.
  const std::vector<MetafileOp>& Operations() const { return operations_; }
  // Ends the recording and returns it; the recorder starts afresh.
  Metafile Close();

 private:
  // What the calls return: the values selected and set so far.
  struct TrackedState {
    Pen pen;
    Brush brush;
    Font font;
    Color textColor = kBlack;
    Color backgroundColor = kWhite;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    TextAlign align;
    RasterOp rasterOp = RasterOp::CopyPen;
    Mapping mapping;
    Point position;
  };

  std::vector<MetafileOp> operations_;
  TrackedState state_;
  std::vector<TrackedState> saved_;
};

}  // namespace platform
