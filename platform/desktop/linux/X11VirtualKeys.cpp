#include "platform/desktop/linux/X11VirtualKeys.h"

#include <X11/keysym.h>

#include <array>

namespace platform {

namespace {

struct SingleKey {
    int code;
    xcb_keysym_t keysym;
    const char* name;  // the keysym's name
};

#define TALVORA_KEY(code, name) \
    SingleKey { code, XK_##name, #name }

// Codes outside the contiguous ranges handled below. The punctuation keys
// are named by what they carry on a US layout, as the system names them.
constexpr std::array<SingleKey, 34> kSingleKeys{{
    TALVORA_KEY(0x08, BackSpace),   TALVORA_KEY(0x09, Tab),          TALVORA_KEY(0x0D, Return),
    TALVORA_KEY(0x13, Pause),       TALVORA_KEY(0x1B, Escape),       TALVORA_KEY(0x20, space),
    TALVORA_KEY(0x21, Prior),       TALVORA_KEY(0x22, Next),         TALVORA_KEY(0x23, End),
    TALVORA_KEY(0x24, Home),        TALVORA_KEY(0x25, Left),         TALVORA_KEY(0x26, Up),
    TALVORA_KEY(0x27, Right),       TALVORA_KEY(0x28, Down),         TALVORA_KEY(0x2C, Print),
    TALVORA_KEY(0x2D, Insert),      TALVORA_KEY(0x2E, Delete),       TALVORA_KEY(0x6A, KP_Multiply),
    TALVORA_KEY(0x6B, KP_Add),      TALVORA_KEY(0x6D, KP_Subtract),  TALVORA_KEY(0x6E, KP_Decimal),
    TALVORA_KEY(0x6F, KP_Divide),   TALVORA_KEY(0x91, Scroll_Lock),  TALVORA_KEY(0xBA, semicolon),
    TALVORA_KEY(0xBB, equal),       TALVORA_KEY(0xBC, comma),        TALVORA_KEY(0xBD, minus),
    TALVORA_KEY(0xBE, period),      TALVORA_KEY(0xBF, slash),        TALVORA_KEY(0xC0, grave),
    TALVORA_KEY(0xDB, bracketleft), TALVORA_KEY(0xDC, backslash),    TALVORA_KEY(0xDD, bracketright),
    TALVORA_KEY(0xDE, apostrophe),
}};

#undef TALVORA_KEY

const SingleKey* singleKey(int vk) {
    for (const SingleKey& key : kSingleKeys)
        if (key.code == vk) return &key;
    return nullptr;
}

}  // namespace

xcb_keysym_t keysymOfVirtualKey(int vk) {
    if (vk >= 0x41 && vk <= 0x5A) return XK_a + static_cast<xcb_keysym_t>(vk - 0x41);
    if (vk >= 0x30 && vk <= 0x39) return XK_0 + static_cast<xcb_keysym_t>(vk - 0x30);
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + static_cast<xcb_keysym_t>(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + static_cast<xcb_keysym_t>(vk - 0x70);  // F1 ... F24
    const SingleKey* key = singleKey(vk);
    return key != nullptr ? key->keysym : XCB_NO_SYMBOL;
}

std::string keysymNameOfVirtualKey(int vk) {
    if (vk >= 0x41 && vk <= 0x5A) return std::string(1, static_cast<char>('a' + (vk - 0x41)));
    if (vk >= 0x30 && vk <= 0x39) return std::string(1, static_cast<char>('0' + (vk - 0x30)));
    if (vk >= 0x60 && vk <= 0x69) return "KP_" + std::to_string(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x70 + 1);
    const SingleKey* key = singleKey(vk);
    return key != nullptr ? key->name : std::string();
}

}  // namespace platform
