#include "platform/media/linux/InfiniteTeeFilter.h"

#include <utility>

namespace platform {

InfiniteTeeFilter::InfiniteTeeFilter(std::string classId)
    : Filter(std::move(classId)), input_(addPin("Input", PinDirection::Input)) {
    addPin("Output" + std::to_string(++outputs_), PinDirection::Output);
}

MediaType InfiniteTeeFilter::offeredType(const Pin&) const { return input_.mediaType(); }

void InfiniteTeeFilter::onConnected(Pin& pin) {
    if (pin.direction() == PinDirection::Output && &pin == pins().back().get())
        addPin("Output" + std::to_string(++outputs_), PinDirection::Output);
}

void InfiniteTeeFilter::receive(Pin&, const SamplePtr& sample) {
    // Samples are immutable, so every branch shares the one buffer.
    for (const auto& pin : pins())
        if (pin->direction() == PinDirection::Output) pin->deliver(sample);
}

void InfiniteTeeFilter::endOfStream(Pin&) {
    for (const auto& pin : pins())
        if (pin->direction() == PinDirection::Output) pin->deliverEndOfStream();
}

}  // namespace platform
