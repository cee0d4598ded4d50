#include "platform/desktop/linux/X11VirtualKeys.h"

#include <X11/keysym.h>

#include <array>
#include <utility>

namespace platform {

namespace {

// Codes outside the contiguous ranges handled below. The punctuation keys
// are named by what they carry on a US layout, as the system names them.
constexpr std::array<std::pair<int, xcb_keysym_t>, 34> kSingleKeys{{
    {0x08, XK_BackSpace},   {0x09, XK_Tab},          {0x0D, XK_Return},      {0x13, XK_Pause},
    {0x1B, XK_Escape},      {0x20, XK_space},        {0x21, XK_Prior},       {0x22, XK_Next},
    {0x23, XK_End},         {0x24, XK_Home},         {0x25, XK_Left},        {0x26, XK_Up},
    {0x27, XK_Right},       {0x28, XK_Down},         {0x2C, XK_Print},       {0x2D, XK_Insert},
    {0x2E, XK_Delete},      {0x6A, XK_KP_Multiply},  {0x6B, XK_KP_Add},      {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},  {0x6F, XK_KP_Divide},    {0x91, XK_Scroll_Lock}, {0xBA, XK_semicolon},
    {0xBB, XK_equal},       {0xBC, XK_comma},        {0xBD, XK_minus},       {0xBE, XK_period},
    {0xBF, XK_slash},       {0xC0, XK_grave},        {0xDB, XK_bracketleft}, {0xDC, XK_backslash},
    {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
}};

}  // namespace

xcb_keysym_t keysymOfVirtualKey(int vk) {
    if (vk >= 0x41 && vk <= 0x5A) return XK_a + static_cast<xcb_keysym_t>(vk - 0x41);
    if (vk >= 0x30 && vk <= 0x39) return XK_0 + static_cast<xcb_keysym_t>(vk - 0x30);
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + static_cast<xcb_keysym_t>(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + static_cast<xcb_keysym_t>(vk - 0x70);  // F1 ... F24
    for (const auto& [code, keysym] : kSingleKeys)
        if (code == vk) return keysym;
    return XCB_NO_SYMBOL;
}

}  // namespace platform
