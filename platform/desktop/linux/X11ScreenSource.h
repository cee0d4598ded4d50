#pragma once

#include "platform/desktop/ScreenSource.h"

namespace platform {

// The screen of the X display: needs no consent, and each reader opens a
// connection (and a shared-memory segment) of its own, so that a capture
// thread reads without a lock and its segment lives as long as its run.
class X11ScreenSource : public ScreenSource {
public:
    void prepare(std::function<void()> done) override;
    bool ready() const override { return true; }
    ScreenError errorCode() const override { return ScreenError::None; }
    std::string error() const override { return {}; }
    std::unique_ptr<ScreenReader> openReader() override;
};

}  // namespace platform
