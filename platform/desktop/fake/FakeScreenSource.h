#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop/ScreenSource.h"

namespace platform {

// A screen drawn by the test. Every reader of the source counts its reads
// together: `draw` fills read number `index` (from 0; without it the frame
// stays as it is), and reads from `failAt` on fail with `failCode` and
// `failText`. The areas read are kept. Readers may run on capture threads:
// set the script before a graph runs, read `areas()` after it stopped.
class FakeScreenSource : public ScreenSource {
public:
    void prepare(std::function<void()> done) override {
        ++prepares;
        if (done) done();
    }
    bool ready() const override { return code == ScreenError::None; }
    ScreenError errorCode() const override { return code; }
    std::string error() const override { return text; }
    std::unique_ptr<ScreenReader> openReader() override { return std::make_unique<Reader>(*this); }

    std::vector<ScreenArea> areas() const {
        std::lock_guard lock(mutex_);
        return areas_;
    }

    std::function<void(int index, const ScreenArea& area, ImageView frame)> draw;
    int failAt = -1;
    ScreenError failCode = ScreenError::ReadFailed;
    std::string failText = "GetImage failed (X error 8)";
    // The source's own state (consent refused, no display).
    ScreenError code = ScreenError::None;
    std::string text;
    int prepares = 0;

private:
    class Reader : public ScreenReader {
    public:
        explicit Reader(FakeScreenSource& source) : source_(source) {}
        bool read(const ScreenArea& area, ImageView frame) override {
            int index = 0;
            {
                std::lock_guard lock(source_.mutex_);
                index = static_cast<int>(source_.areas_.size());
                source_.areas_.push_back(area);
            }
            if (source_.failAt >= 0 && index >= source_.failAt) {
                code_ = source_.failCode;
                return false;
            }
            if (source_.draw) source_.draw(index, area, frame);
            return true;
        }
        ScreenError errorCode() const override { return code_; }
        std::string error() const override { return code_ == ScreenError::None ? std::string() : source_.failText; }

    private:
        FakeScreenSource& source_;
        ScreenError code_ = ScreenError::None;
    };

    mutable std::mutex mutex_;
    std::vector<ScreenArea> areas_;
};

}  // namespace platform
