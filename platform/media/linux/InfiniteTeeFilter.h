#pragma once

#include <string>

#include "platform/media/Filter.h"

namespace platform {

// A tee with as many outputs as are used: input "Input", outputs "Output1",
// "Output2", ...; connecting the last free output adds the next one, so one
// is always free. Every output offers the input's type (so the input is
// connected first) and gets every sample.
//
// Pins are added while a connection is made: do not hold an iterator over
// pins() across a connection of one of its outputs.
class InfiniteTeeFilter : public Filter {
public:
    explicit InfiniteTeeFilter(std::string classId);

    MediaType offeredType(const Pin& output) const override;
    void onConnected(Pin& pin) override;
    // Streaming thread of the upstream filter.
    void receive(Pin& input, const SamplePtr& sample) override;
    void endOfStream(Pin& input) override;

private:
    Pin& input_;
    int outputs_ = 0;
};

}  // namespace platform
