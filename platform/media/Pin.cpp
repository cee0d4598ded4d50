#include "platform/media/Pin.h"

#include "platform/media/Filter.h"

namespace platform {

void Pin::deliver(const SamplePtr& sample) const {
    if (peer_ != nullptr && sample) peer_->filter().receive(*peer_, sample);
}

void Pin::deliverEndOfStream() const {
    if (peer_ != nullptr) peer_->filter().endOfStream(*peer_);
}

}  // namespace platform
