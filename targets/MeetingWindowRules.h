#pragma once

#include <string>

#include "platform/desktop/Windows.h"

namespace talvora {

// The outcome of one search of the desktop for a meeting window.
struct MeetingWindow {
    platform::WindowId window = 0;  // 0: none taken
    std::string title;              // the title of the window that matched
    bool matched = false;           // a window matched, even if it was then refused
};

// The two searches of the desktop, over the top-level windows topmost first;
// the first window that passes every test is taken. Both also test that the
// window is visible, not minimised and more than 50 x 50 pixels (frame
// included); an unmapped window is the hidden show state. UI thread.

// A title exactly "Zoom" or containing "Zoom ", except the recorder's own
// window "Talvora".
MeetingWindow FindZoomWindow(platform::Windows& windows);

// A title holding "Meet - " and " - Google Chrome", or exactly "Meet - ~new -
// Google Chrome", never "Google Meeting - Zoom". A matching window whose
// extended style is exactly WS_EX_NOREDIRECTIONBITMAP is refused, and the
// search ends there all the same; its title is still reported.
MeetingWindow FindGoogleMeetWindow(platform::Windows& windows);

}  // namespace talvora
