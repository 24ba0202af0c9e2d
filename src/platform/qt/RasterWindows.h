#pragma once
// Headless windows with real pixels: the headless backend's windows then
// draw into raster images, so batch runs can take screenshots of what the
// window would show.

namespace platform {
class HeadlessBackend;
}

namespace platform::qt {

void UseRasterWindows(HeadlessBackend& backend);

}  // namespace platform::qt
