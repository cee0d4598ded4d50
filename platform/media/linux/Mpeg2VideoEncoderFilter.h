#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/media/linux/EncoderFilter.h"

namespace platform {

// MPEG-2 video from packed BGR or BGRX frames: input "Input", output
// "Output". Encodes at the input's size (rounded down to even sides) and
// frame rate (1 to 60 fps), with the bit rates, GOP structure and coding
// tools of its module settings (see the parameter table).
class Mpeg2VideoEncoderFilter : public EncoderFilter {
public:
    Mpeg2VideoEncoderFilter(std::string classId, DiagnosticLog& log);

protected:
    HRESULT acceptInput(const MediaType& type) const override;
    MediaType encodedType(const MediaType& input) const override;
    std::unique_ptr<FrameEncoder> openEncoder(const MediaType& input, const StreamEncoder::Target& target,
                                              int& error) const override;

private:
    // The rates the committed settings give: the average, its bounds, and
    // the decoder buffer.
    struct Rates {
        int average = 0;
        int minimum = 0;
        int maximum = 0;
        int bufferBits = 0;
    };
    Rates rates() const;
};

}  // namespace platform
