#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/media/MediaType.h"
#include "platform/media/linux/SampleQueue.h"

namespace platform {

// Hands samples from a capture thread to the filters downstream on a thread
// of its own, so that a slow downstream never holds the capture up: at most
// `byteBudget` bytes of samples wait (always at least one sample), and a
// sample beyond that is dropped and counted. After close() what waits is
// delivered, then the end of the stream, exactly once.
class SampleDelivery {
public:
    using Deliver = std::function<void(const SamplePtr&)>;
    using EndOfStream = std::function<void()>;

    SampleDelivery(std::size_t byteBudget, Deliver deliver, EndOfStream endOfStream);
    // Closes and joins: returns after the end of the stream was delivered.
    ~SampleDelivery();
    SampleDelivery(const SampleDelivery&) = delete;
    SampleDelivery& operator=(const SampleDelivery&) = delete;

    // Capture thread; never blocks. False when the sample was dropped.
    bool push(SamplePtr sample) { return queue_.push(0, std::move(sample)); }
    // Any thread; never blocks. No samples are taken after it.
    void close() { queue_.close(); }

    std::int64_t dropped() const { return queue_.dropped(); }
    std::int64_t delivered() const { return delivered_; }

private:
    void run();

    Deliver deliver_;
    EndOfStream endOfStream_;
    SampleQueue queue_;
    std::atomic<std::int64_t> delivered_{0};
    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace platform
