#include "companions/themeflip/GlassoffTheme.h"

#include <array>
#include <cstdlib>

#include "platform/composition/Composition.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"

namespace themeflip {
namespace {

constexpr std::size_t kMaxTitleBytes = 1000;

// The recorders this companion serves; matched exactly, letter case included.
constexpr std::array<const char*, 6> kAcceptedTitles = {
    "Replicast", "Vexa Capture", "Corvane Video", "Vexa Recorder", "Ondrel Realtime Recorder", "Talvora"};

bool accepted(const std::string& title) {
    for (const char* t : kAcceptedTitles)
        if (title == t) return true;
    return false;
}

}  // namespace

GlassoffTheme::GlassoffTheme(Platform platform, Timer timer)
    : p_(platform), timer_(std::move(timer)), cmdLine_(platform.box) {}

bool GlassoffTheme::initInstance(const std::vector<std::string>& tokens) {
    screenCaptureMessage_ = p_.messages.registerMessage("screen capture message");
    cmdLine_.parse(tokens);
    const auto& params = cmdLine_.params();
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (!params[i].isSwitch) continue;
        // A switch given as the last token has an empty value.
        const std::string value = i + 1 < params.size() ? params[i + 1].text : std::string();
        if (params[i].text == "w") {
            callerTitle_ = value.substr(0, kMaxTitleBytes);
            if (!callerTitle_.empty()) caller_ = p_.windows.find(callerTitle_);
        } else if (params[i].text == "enab") {
            mode_ = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
        }
    }
    if (callerTitle_.empty() || !accepted(callerTitle_)) return false;
    caller_ = p_.windows.find(callerTitle_);
    if (p_.windows.find(kWindowTitle) == 0) p_.composition.giveBackLeftover();
    return true;
}

void GlassoffTheme::notify(std::intptr_t lParam) {
    // X11 delivers between processes only by queueing; the post returns once
    // the server has taken the message, or fails when the caller is gone.
    if (caller_ != 0) p_.messages.post(caller_, screenCaptureMessage_, 1, lParam);
}

void GlassoffTheme::end(int code) {
    p_.composition.restore();
    p_.process.exitProcess(code);
}

void GlassoffTheme::onTimer() {
    if (mode_ == 0 && !acted_) {
        timer_.stop();
        acted_ = true;
        p_.composition.disable();
        timer_.start();
    } else if (mode_ == 1 && !acted_) {
        timer_.stop();
        acted_ = true;
        testComposition();
    }
    caller_ = p_.windows.find(callerTitle_);
    if (caller_ == 0) end(0);
}

void GlassoffTheme::testComposition() {
    if (p_.composition.isEnabled()) {
        if (retries_ != 0) p_.box.show("Background mode successfully enabled.");
        notify(3);
        end(0);
    }
    notify(2);
    const int answer = p_.box.show(
        "Background mode cannot be setup!\n\nRight click your desktop then click Personalize and select a Windows "
        "Aero theme.\n\nWoud you like to test the Background mode again ?",
        platform::MessageButtons::YesNo);
    if (answer == platform::IDYES) {
        acted_ = false;
        timer_.start();
        ++retries_;
        return;
    }
    if (p_.composition.isEnabled()) {
        p_.box.show(
            "Background mode successfully enabled. Vexa Recorder will close now. Please restart the program.");
        notify(3);
        end(0);
    }
    caller_ = p_.windows.find(callerTitle_);
    notify(1);
    end(0);
}

}  // namespace themeflip
