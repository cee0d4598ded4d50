#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop/Windows.h"

namespace platform {

// A scripted desktop: windows in stacking order, topmost first.
class FakeWindows : public Windows {
public:
    struct Window {
        WindowId id = 0;
        std::string title;
        bool visible = true;
        bool minimized = false;
        Rect rect;
        std::uint32_t extendedStyle = 0;
    };

    WindowId find(const std::string& title) override;
    std::vector<WindowId> topLevel() override;
    std::string title(WindowId window) override;
    bool exists(WindowId window) override;
    bool isVisible(WindowId window) override;
    bool isMinimized(WindowId window) override;
    Rect rect(WindowId window) override;
    std::vector<std::string> titles(const std::vector<WindowId>& ids) override;
    std::uint32_t extendedStyle(WindowId window) override;
    // Shows it, clears its topmost bit and records it.
    void restoreBelowTopmost(WindowId window) override;

    // Adds a window on top of the others and returns its id.
    WindowId add(const std::string& title, Rect rect = {0, 0, 400, 300});
    Window* get(WindowId window);
    void remove(WindowId window);

    std::vector<Window> windows;  // topmost first
    std::vector<WindowId> restored;

private:
    WindowId next_ = 0x400001;
};

}  // namespace platform
