#include "platform/media/linux/SampleDelivery.h"

#include <utility>

#include "platform/core/linux/ThreadName.h"

namespace platform {

SampleDelivery::SampleDelivery(std::size_t byteBudget, Deliver deliver, EndOfStream endOfStream)
    : deliver_(std::move(deliver)),
      endOfStream_(std::move(endOfStream)),
      queue_({byteBudget}),
      thread_([this] { run(); }) {}

SampleDelivery::~SampleDelivery() {
    close();
    thread_.join();
}

void SampleDelivery::run() {
    // The screen capture's frames go downstream (conversion, preview, the
    // encoder's queue) on this thread.
    nameThisThread("Frame delivery");
    try {
        while (auto item = queue_.pop()) {
            deliver_(item->sample);
            ++delivered_;
        }
    } catch (...) {
        // A failing downstream ends the stream; it still hears the end below.
        close();
    }
    try {
        endOfStream_();
    } catch (...) {
    }
}

}  // namespace platform
