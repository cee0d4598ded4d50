#include "targets/MeetingWindowRules.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace talvora {

namespace {

constexpr int kMinSize = 50;  // pixels; a window must be larger in both directions
constexpr std::size_t kGoogleTitleCapacity = 1000;

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool isZoomTitle(const std::string& title) {
    return title != "Talvora" && (title == "Zoom" || contains(title, "Zoom "));
}

// What the browsers put after the active tab's title in a window's title on
// Linux. Firefox joins with an em dash, and its newer versions drop the
// brackets around "Private Browsing"; Edge writes a zero-width space after
// "Microsoft" in some versions.
constexpr std::string_view kBrowserEndings[] = {
    " - Google Chrome",
    " - Chromium",
    " \xE2\x80\x94 Mozilla Firefox",
    " \xE2\x80\x94 Mozilla Firefox Private Browsing",
    " \xE2\x80\x94 Mozilla Firefox (Private Browsing)",
    " - Microsoft\xE2\x80\x8B Edge",
    " - Microsoft Edge",
    " - Brave",
    " - Vivaldi",
    " - Opera",
};

// The active tab's title in a browser window; any other window, such as an
// installed web app's, shows its page's title bare.
std::string_view pageTitle(std::string_view title) {
    for (const std::string_view ending : kBrowserEndings)
        if (title.ends_with(ending)) return title.substr(0, title.size() - ending.size());
    return title;
}

bool isLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

// A meeting's code, "abc-defg-hij", ending the text or followed by a blank.
bool startsWithMeetingCode(std::string_view text) {
    constexpr std::string_view kShape = "aaa-aaaa-aaa";
    if (text.size() < kShape.size() || (text.size() > kShape.size() && text[kShape.size()] != ' ')) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == '-' ? text[i] != '-' : !isLowerLetter(text[i])) return false;
    return true;
}

// A meeting's page is "Meet - " and its code, or "~new" while one is made; the
// home page is "Google Meet" and a search result names the search engine.
// The waiting room before joining has the meeting's title already, so it
// cannot be told from the meeting.
bool isMeetPage(std::string_view page) {
    constexpr std::string_view kPrefix = "Meet - ";
    if (!page.starts_with(kPrefix)) return false;
    const std::string_view rest = page.substr(kPrefix.size());
    return rest.starts_with("~new") || startsWithMeetingCode(rest);
}

// The text before " | <service>" in a page's title; empty when the title does
// not name the service that way.
std::string_view beforeService(std::string_view page, std::string_view service) {
    const std::size_t at = page.find(service);
    return at == std::string_view::npos ? std::string_view() : page.substr(0, at);
}

// "<room> | Jitsi Meet"; the welcome page is "Jitsi Meet" alone. The pre-join
// screen has the room's title already, so it cannot be told from the meeting.
// The desktop app keeps its window titled "Jitsi Meet" in and out of meetings,
// so it is not found.
bool isJitsiPage(std::string_view page) { return !beforeService(page, " | Jitsi Meet").empty(); }

// The Chrome rule is kept as it always was, so a Jitsi meeting in Chrome,
// "<room> | Jitsi Meet - Google Chrome", which holds "Meet - ", is taken as
// Meet there; in the other browsers only a Meet page is.
bool isGoogleMeetTitle(const std::string& title) {
    return title != "Google Meeting - Zoom" &&
           ((contains(title, "Meet - ") && contains(title, " - Google Chrome")) ||
            title == "Meet - ~new - Google Chrome" || isMeetPage(pageTitle(title)));
}

// Teams titles a page "<view> | ... | Microsoft Teams", with the unread count
// in brackets before it; a meeting's window or tab starts with the meeting's
// subject or the other party's name instead of a view. Its pre-join screen is
// titled like the meeting, so it cannot be told from the meeting.
bool isTeamsPage(std::string_view page) {
    constexpr std::string_view kViews[] = {"Activity", "Chat", "Teams", "Calendar", "Calls",
                                           "Files",    "OneDrive", "Apps", "Home"};
    std::string_view lead = beforeService(page, " | Microsoft Teams");
    lead = lead.substr(0, lead.find(" | "));
    if (const std::size_t count = lead.find(") "); lead.starts_with('(') && count != std::string_view::npos)
        lead.remove_prefix(count + 2);
    if (lead.empty()) return false;
    for (const std::string_view view : kViews)
        if (lead == view) return false;
    return true;
}

// The meeting window of the Webex app and the web client's meeting tab name
// the service ("Webex Meeting", "Cisco Webex Meetings"); the app's messaging
// window is "Webex" alone. A meeting window titled with nothing but the
// meeting's own name cannot be told from any other window, so it is not found.
bool isWebexPage(std::string_view page) { return page.find("Webex Meeting") != std::string_view::npos; }

struct OtherServiceRule {
    OtherService service;
    const char* word;
    bool (*isMeetingPage)(std::string_view page);
};

constexpr OtherServiceRule kOtherServices[] = {
    {OtherService::Teams, "Teams", isTeamsPage},
    {OtherService::Jitsi, "Jitsi", isJitsiPage},
    {OtherService::Webex, "Webex", isWebexPage},
};

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

const char* ServiceWord(OtherService service) {
    for (const OtherServiceRule& rule : kOtherServices)
        if (rule.service == service) return rule.word;
    return "";
}

OtherMeetingWindow FindOtherMeetingWindow(platform::Windows& windows) {
    const std::vector<platform::WindowId> ids = windows.topLevel();
    const std::vector<std::string> titles = windows.titles(ids);
    for (const OtherServiceRule& rule : kOtherServices) {
        const auto isMeeting = [&rule](const std::string& title) { return rule.isMeetingPage(pageTitle(title)); };
        const std::size_t i = firstMatch(windows, ids, titles, isMeeting);
        if (i != ids.size()) return {{ids[i], titles[i], true}, rule.service};
    }
    return {};
}

const char* MeetingWordOfTitle(const std::string& title) {
    if (isZoomTitle(title)) return "Zoom";
    if (isGoogleMeetTitle(title)) return "Google Meeting";
    for (const OtherServiceRule& rule : kOtherServices)
        if (rule.isMeetingPage(pageTitle(title))) return rule.word;
    return nullptr;
}

}  // namespace talvora
