#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/MediaType.h"
#include "platform/media/linux/SampleQueue.h"

namespace platform {

// A thread that takes samples of one or more streams from a bounded queue
// and hands each to `process`, in arrival order; once stopped and emptied it
// calls `finish` (flush and close what it feeds), then ends. Producers never
// wait: a sample beyond its stream's byte budget is dropped and counted.
// One worker serves one run; it is started and stopped on the UI thread.
class SampleWorker {
public:
    using Process = std::function<void(const SampleQueue::Item& item)>;
    using Finish = std::function<void()>;

    explicit SampleWorker(std::vector<std::size_t> byteBudgets);
    // Stops the worker.
    ~SampleWorker();
    SampleWorker(const SampleWorker&) = delete;
    SampleWorker& operator=(const SampleWorker&) = delete;

    // `threadName` names the worker's thread.
    void start(Process process, Finish finish, const std::string& threadName);
    // Any thread; never blocks. False when the sample was dropped.
    bool push(std::size_t stream, SamplePtr sample);
    // Takes no more samples and waits until every waiting one was processed
    // and `finish` has run. Once; later calls return at once.
    void stop();

    std::int64_t dropped() const { return queue_.dropped(); }

private:
    void run();

    SampleQueue queue_;
    Process process_;
    Finish finish_;
    std::thread thread_;
};

}  // namespace platform
