#pragma once

#include <xcb/xcb.h>

namespace platform {

// The X keysym of the key that a Windows virtual-key code names, for the
// keys a hotkey can use; 0 (NoSymbol) for codes without one. Letters map to
// their lower-case keysym, the one on the key's first level.
xcb_keysym_t keysymOfVirtualKey(int virtualKey);

}  // namespace platform
