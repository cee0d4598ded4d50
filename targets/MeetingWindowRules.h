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
// Google Chrome", never "Google Meeting - Zoom"; or, in any browser of the
// table in the source file or in the installed web app's own window, a
// meeting's page: "Meet - " and its code. A matching window whose extended
// style is exactly WS_EX_NOREDIRECTIONBITMAP is refused, and the search ends
// there all the same; its title is still reported.
MeetingWindow FindGoogleMeetWindow(platform::Windows& windows);

// The services searched after Zoom and Google Meet, in this order, each found
// by the title of its meeting page in a browser or its own app window.
enum class OtherService { Teams, Jitsi, Webex };

// The word a recording's file name starts with: "Teams", "Jitsi", "Webex".
const char* ServiceWord(OtherService service);

struct OtherMeetingWindow {
    MeetingWindow found;
    OtherService service = OtherService::Teams;
};

// The topmost window of the first service, in the order above, that has one;
// nothing found when none has.
OtherMeetingWindow FindOtherMeetingWindow(platform::Windows& windows);

// The word a recording of a window titled `title` is named with, by the
// rules above in their order ("Zoom", "Google Meeting", then the other
// services); null for a title of no meeting.
const char* MeetingWordOfTitle(const std::string& title);

}  // namespace talvora
