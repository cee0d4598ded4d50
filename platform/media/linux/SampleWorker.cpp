#include "platform/media/linux/SampleWorker.h"

#include <utility>

#include "platform/core/linux/ThreadName.h"

namespace platform {

SampleWorker::SampleWorker(std::vector<std::size_t> byteBudgets) : queue_(std::move(byteBudgets)) {}

SampleWorker::~SampleWorker() { stop(); }

void SampleWorker::start(Process process, Finish finish, const std::string& threadName) {
    process_ = std::move(process);
    finish_ = std::move(finish);
    thread_ = std::thread([this, threadName] {
        nameThisThread(threadName);
        run();
    });
}

bool SampleWorker::push(std::size_t stream, SamplePtr sample) { return queue_.push(stream, std::move(sample)); }

void SampleWorker::stop() {
    queue_.close();
    if (thread_.joinable()) thread_.join();
}

void SampleWorker::run() {
    // Every queued sample is taken, so that the queue empties and stop()
    // returns; what `process` does after a failure of its own is its choice.
    while (const std::optional<SampleQueue::Item> item = queue_.pop()) process_(*item);
    if (finish_) finish_();
}

}  // namespace platform
