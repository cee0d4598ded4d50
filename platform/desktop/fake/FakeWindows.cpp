#include "platform/desktop/fake/FakeWindows.h"

#include <algorithm>

namespace platform {

WindowId FakeWindows::find(const std::string& wanted) {
    for (const auto& w : windows)
        if (w.title == wanted) return w.id;
    return 0;
}

std::vector<WindowId> FakeWindows::topLevel() {
    std::vector<WindowId> ids;
    for (const auto& w : windows) ids.push_back(w.id);
    return ids;
}

std::string FakeWindows::title(WindowId window) {
    auto* w = get(window);
    return w ? w->title : std::string();
}

bool FakeWindows::exists(WindowId window) { return get(window) != nullptr; }

bool FakeWindows::isVisible(WindowId window) {
    auto* w = get(window);
    return w && w->visible;
}

bool FakeWindows::isMinimized(WindowId window) {
    auto* w = get(window);
    return w && w->minimized;
}

Rect FakeWindows::rect(WindowId window) {
    auto* w = get(window);
    return w ? w->rect : Rect{};
}

std::vector<std::string> FakeWindows::titles(const std::vector<WindowId>& ids) {
    std::vector<std::string> names;
    for (WindowId id : ids) names.push_back(title(id));
    return names;
}

std::uint32_t FakeWindows::extendedStyle(WindowId window) {
    auto* w = get(window);
    return w ? w->extendedStyle : 0;
}

WindowId FakeWindows::add(const std::string& newTitle, Rect newRect) {
    const WindowId id = next_++;
    windows.insert(windows.begin(), Window{id, newTitle, true, false, newRect});
    return id;
}

FakeWindows::Window* FakeWindows::get(WindowId window) {
    auto it = std::find_if(windows.begin(), windows.end(), [&](const Window& w) { return w.id == window; });
    return it == windows.end() ? nullptr : &*it;
}

void FakeWindows::remove(WindowId window) {
    std::erase_if(windows, [&](const Window& w) { return w.id == window; });
}

void FakeWindows::restoreBelowTopmost(WindowId window) {
    restored.push_back(window);
    if (Window* w = get(window)) {
        w->visible = true;
        w->minimized = false;
        w->extendedStyle &= ~WS_EX_TOPMOST;
    }
}

}  // namespace platform
