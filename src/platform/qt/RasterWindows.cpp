#include "platform/qt/RasterWindows.h"

#include "platform/HeadlessBackend.h"
#include "platform/qt/RasterCanvas.h"

namespace platform::qt {

void UseRasterWindows(HeadlessBackend& backend) {
  backend.SetCanvasFactory([](Size size) -> std::unique_ptr<Canvas> {
    return std::make_unique<RasterCanvas>(size.width, size.height);
  });
}

}  // namespace platform::qt
