#include "platform/audio/fake/FakeRecordStream.h"

#include "platform/audio/AudioErrors.h"

namespace platform {

void FakeRecordStream::Line::feed(const std::vector<std::int16_t>& more, AudioCaptureTime capturedAt) {
    {
        std::lock_guard lock(mutex);
        if (samples.empty()) firstCapturedAt = capturedAt;
        samples.insert(samples.end(), more.begin(), more.end());
    }
    arrived.notify_all();
}

void FakeRecordStream::Line::breakDown() {
    {
        std::lock_guard lock(mutex);
        broken = true;
    }
    arrived.notify_all();
}

std::size_t FakeRecordStream::Line::pending() {
    std::lock_guard lock(mutex);
    return samples.size();
}

AudioStatus FakeRecordStream::read(std::vector<std::int16_t>& samples, std::chrono::milliseconds timeout,
                                   AudioCaptureTime* capturedAt) {
    if (capturedAt != nullptr) capturedAt->reset();
    std::unique_lock lock(line_->mutex);
    line_->arrived.wait_for(lock, timeout, [&] { return line_->broken || !line_->samples.empty(); });
    if (line_->broken) return {AUDCLNT_E_DEVICE_INVALIDATED, "recording of \"" + sourceName_ + "\" ended"};
    if (line_->samples.empty()) return {S_FALSE, {}};
    samples.insert(samples.end(), line_->samples.begin(), line_->samples.end());
    line_->samples.clear();
    if (capturedAt != nullptr) *capturedAt = line_->firstCapturedAt;
    return {};
}

}  // namespace platform
