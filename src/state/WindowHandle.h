#pragma once
// Opaque window identity. nullptr means "no window" (an ownerless box, or a
// poll without a window). The records name windows in their hooks without
// knowing the platform layer, so the identity lives here at the bottom.

namespace platform {
using WindowHandle = const void*;
}
