#pragma once

#include <string>

#include "platform/media/Filter.h"

namespace platform {

// Turns packed 24-bit BGR into 32-bit BGRX (32-bit frames pass as they are):
// input "Input", output "Output" with the input's size and rate. Converts
// on the upstream filter's thread.
class ColorSpaceConverterFilter : public Filter {
public:
    explicit ColorSpaceConverterFilter(std::string classId);

    // Nothing until the input is connected.
    MediaType offeredType(const Pin& output) const override;
    HRESULT acceptType(Pin& input, const MediaType& type) override;
    void receive(Pin& input, const SamplePtr& sample) override;
    void endOfStream(Pin& input) override;

private:
    Pin& input_;
    Pin& output_;
};

}  // namespace platform
