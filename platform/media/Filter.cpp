#include "platform/media/Filter.h"

#include "platform/media/MediaErrors.h"

namespace platform {

Pin* Filter::findPin(PinDirection direction, const std::string& pinName) const {
    for (const auto& pin : pins_)
        if (pin->direction() == direction && pin->name() == pinName) return pin.get();
    return nullptr;
}

MediaType Filter::offeredType(const Pin&) const { return {}; }
HRESULT Filter::acceptType(Pin&, const MediaType&) { return S_OK; }
void Filter::onConnected(Pin&) {}
void Filter::onDisconnected(Pin&) {}
void Filter::receive(Pin&, const SamplePtr&) {}
void Filter::endOfStream(Pin&) {}
HRESULT Filter::changeState(FilterState, FilterState, StreamClock&) { return S_OK; }
void Filter::abandonStart() {}
std::vector<std::pair<std::string, std::string>> Filter::properties() const { return {}; }

Pin& Filter::addPin(std::string pinName, PinDirection direction) {
    pins_.push_back(std::make_unique<Pin>(*this, std::move(pinName), direction));
    return *pins_.back();
}

}  // namespace platform
