#pragma once

#include "platform/core/DiagnosticLog.h"
#include "platform/media/linux/EncoderFilter.h"

namespace platform {

// MPEG-1 Layer II audio from interleaved 16-bit PCM: input "XForm In",
// output "XForm Out". Keeps a rate Layer II has (32, 44.1 or 48 kHz; others
// are resampled to 48 kHz), takes one or two channels (more are mixed down
// to two), at the bit rate of the committed Layer II bit-rate index.
class Layer2AudioEncoderFilter : public EncoderFilter {
public:
    Layer2AudioEncoderFilter(std::string classId, DiagnosticLog& log);

protected:
    HRESULT acceptInput(const MediaType& type) const override;
    MediaType encodedType(const MediaType& input) const override;
    std::unique_ptr<FrameEncoder> openEncoder(const MediaType& input, const StreamEncoder::Target& target,
                                              int& error) const override;
};

}  // namespace platform
