#pragma once

#include <xcb/xcb.h>

#include <string>

namespace platform {

// The X keysym of the key that a Windows virtual-key code names, for the
// keys a hotkey can use; 0 (NoSymbol) for codes without one. Letters map to
// their lower-case keysym, the one on the key's first level.
xcb_keysym_t keysymOfVirtualKey(int virtualKey);

// The name of that keysym ("a", "F9", "KP_Add", "space"), as shortcut texts
// of the desktop use it; empty for codes without one.
std::string keysymNameOfVirtualKey(int virtualKey);

}  // namespace platform
