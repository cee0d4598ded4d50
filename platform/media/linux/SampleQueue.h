#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/media/MediaType.h"

namespace platform {

// Samples of several streams on their way from the capture threads to one
// consumer thread, in arrival order. Each stream may have up to its byte
// budget waiting; a sample beyond it is dropped and counted, so a producer
// never waits for the consumer. A stream with nothing waiting always takes
// its sample, however large.
class SampleQueue {
public:
    struct Item {
        std::size_t stream = 0;
        SamplePtr sample;
    };

    explicit SampleQueue(std::vector<std::size_t> byteBudgets);

    // Any thread; never blocks. False when the sample was dropped (budget
    // spent, queue closed or unknown stream).
    bool push(std::size_t stream, SamplePtr sample);
    // The consumer: waits for the next sample; none once closed and empty.
    std::optional<Item> pop();
    // Any thread: takes no more samples; pop() hands out what waits.
    void close();

    std::int64_t dropped() const { return dropped_; }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item> items_;                // guarded by mutex_
    std::vector<std::size_t> budgets_;      // guarded by mutex_
    std::vector<std::size_t> queuedBytes_;  // guarded by mutex_
    bool closed_ = false;                   // guarded by mutex_
    std::atomic<std::int64_t> dropped_{0};
};

}  // namespace platform
