#include "targets/MeetingWindowRules.h"

#include <cstddef>
#include <vector>

namespace talvora {

namespace {

constexpr int kMinSize = 50;  // pixels; a window must be larger in both directions
constexpr std::size_t kGoogleTitleCapacity = 1000;

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool isZoomTitle(const std::string& title) {
    return title != "Talvora" && (title == "Zoom" || contains(title, "Zoom "));
}

bool isGoogleMeetTitle(const std::string& title) {
    return title != "Google Meeting - Zoom" &&
           ((contains(title, "Meet - ") && contains(title, " - Google Chrome")) ||
            title == "Meet - ~new - Google Chrome");
}

bool isShownAndLarge(platform::Windows& windows, platform::WindowId window) {
    if (!windows.isVisible(window) || windows.isMinimized(window)) return false;
    const platform::Rect r = windows.rect(window);
    return r.width() > kMinSize && r.height() > kMinSize;
}

// The title tests cost nothing once the titles are fetched in one batch, so
// they run first; the order of the tests does not change which window passes.
template <typename TitleRule>
std::size_t firstMatch(platform::Windows& windows, const std::vector<platform::WindowId>& ids,
                       const std::vector<std::string>& titles, TitleRule rule) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (rule(titles[i]) && isShownAndLarge(windows, ids[i])) return i;
    return ids.size();
}

}  // namespace

MeetingWindow FindZoomWindow(platform::Windows& windows) {
    const std::vector<platform::WindowId> ids = windows.topLevel();
    const std::vector<std::string> titles = windows.titles(ids);
    const std::size_t i = firstMatch(windows, ids, titles, isZoomTitle);
    if (i == ids.size()) return {};
    return {ids[i], titles[i], true};
}

MeetingWindow FindGoogleMeetWindow(platform::Windows& windows) {
    const std::vector<platform::WindowId> ids = windows.topLevel();
    const std::vector<std::string> titles = windows.titles(ids);
    const std::size_t i = firstMatch(windows, ids, titles, isGoogleMeetTitle);
    if (i == ids.size()) return {};
    MeetingWindow found{0, titles[i].substr(0, kGoogleTitleCapacity - 1), true};
    if (windows.extendedStyle(ids[i]) != platform::WS_EX_NOREDIRECTIONBITMAP) found.window = ids[i];
    return found;
}

}  // namespace talvora
