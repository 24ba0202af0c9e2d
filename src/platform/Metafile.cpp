#include "platform/Metafile.h"

#include <type_traits>

namespace platform {

namespace {

// Replays operations onto a canvas. The saves of the recording are counted:
// a restore without its save cannot pop the player's own state, and saves
// left open are restored at the end.
class Replayer {
 public:
  explicit Replayer(Canvas& target) : target_(target) {}

  void operator()(const OpSelectPen& op) { target_.SelectPen(op.pen); }
  void operator()(const OpSelectBrush& op) { target_.SelectBrush(op.brush); }
  void operator()(const OpSelectFont& op) { target_.SelectFont(op.font); }
  void operator()(const OpTextColor& op) { target_.SetTextColor(op.color); }
  void operator()(const OpBackgroundColor& op) { target_.SetBackgroundColor(op.color); }
  void operator()(const OpBackgroundMode& op) { target_.SetBackgroundMode(op.mode); }
  void operator()(const OpTextAlign& op) { target_.SetTextAlign(op.align); }
  void operator()(const OpRasterOp& op) { target_.SetRasterOp(op.op); }
  void operator()(const OpMapMode& op) { target_.SetMapMode(op.mode); }
  void operator()(const OpWindowExtent& op) { target_.SetWindowExtent(op.extent); }
  void operator()(const OpWindowOrigin& op) { target_.SetWindowOrigin(op.origin); }
  void operator()(const OpViewportExtent& op) { target_.SetViewportExtent(op.extent); }
  void operator()(const OpViewportOrigin& op) { target_.SetViewportOrigin(op.origin); }
  void operator()(const OpIntersectClip& op) { target_.IntersectClipRect(op.rect); }
  void operator()(const OpResetClip&) { target_.ResetClip(); }
  void operator()(const OpSave&) {
    target_.Save();
    ++depth_;
  }
  void operator()(const OpRestore&) {
    if (depth_ == 0) return;
    target_.Restore();
    --depth_;
  }
  void operator()(const OpMoveTo& op) { target_.MoveTo(op.point); }
  void operator()(const OpLineTo& op) { target_.LineTo(op.point); }
  void operator()(const OpPolyline& op) { target_.Polyline(op.points); }
  void operator()(const OpPolygon& op) { target_.Polygon(op.points); }
  void operator()(const OpRectangle& op) { target_.Rectangle(op.rect); }
  void operator()(const OpEllipse& op) { target_.Ellipse(op.bounds); }
  void operator()(const OpArc& op) { target_.Arc(op.bounds, op.start, op.end); }
  void operator()(const OpText& op) { target_.TextOut(op.at, op.text); }
  void operator()(const OpImage& op) { target_.DrawImage(op.destination, *op.image); }

  // Restores what the recording saved and did not restore itself.
  void Unwind() {
    for (; depth_ > 0; --depth_) target_.Restore();
  }

 private:
  Canvas& target_;
  int depth_ = 0;
};

const std::vector<MetafileOp>& NoOperations() {
  static const std::vector<MetafileOp> none;
  return none;
}

}  // namespace

const std::vector<MetafileOp>& Metafile::Operations() const {
  return storage_ ? storage_->operations : NoOperations();
}

std::optional<Size> Metafile::WindowExtent() const {
  return storage_ ? storage_->windowExtent : std::nullopt;
}

void Metafile::Play(Canvas& target) const {
  if (!storage_) return;
  target.Save();
  Replayer replayer(target);
  for (const MetafileOp& op : storage_->operations) std::visit(replayer, op);
  replayer.Unwind();
  target.Restore();
}

void Metafile::PlayInto(Canvas& target, const Rect& deviceRect, PlayFit fit) const {
  if (!storage_) return;
  const Rect rect = deviceRect.Normalized();
  if (rect.IsEmpty()) return;
  const Size extent = storage_->windowExtent.value_or(Size{rect.Width(), rect.Height()});
  target.Save();
  target.SetMapMode(fit == PlayFit::Stretch ? MapMode::Anisotropic : MapMode::Isotropic);
  target.SetWindowOrigin(Point{0, 0});
  target.SetWindowExtent(extent);
  target.SetViewportOrigin(Point{rect.left, rect.top});
  target.SetViewportExtent(Size{rect.Width(), rect.Height()});
  Play(target);
  target.Restore();
}

}  // namespace platform
