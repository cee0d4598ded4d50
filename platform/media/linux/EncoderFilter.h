#pragma once

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <memory>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/Filter.h"
#include "platform/media/ModuleSettings.h"
#include "platform/media/linux/FrameEncoder.h"
#include "platform/media/linux/RunSlot.h"
#include "platform/media/linux/SampleWorker.h"
#include "platform/media/linux/StreamEncoder.h"

namespace platform {

// A filter that encodes what arrives on its input pin and delivers the
// packets on its output pin as Encoded samples. The capture thread only
// queues a sample (bounded: too much waiting and it is dropped and counted);
// the filter's encoding thread encodes it and delivers downstream. On stop
// the encoder is drained and the end of the stream delivered, also after an
// error. The encoding follows the module settings committed before the run.
class EncoderFilter : public Filter, public ModuleSettings {
public:
    struct Pins {
        const char* input;
        const char* output;
    };
    EncoderFilter(std::string classId, Mpeg2Module module, Pins pins, std::size_t queueBudgetBytes,
                  DiagnosticLog& log, std::string logName);
    ~EncoderFilter() override;

    // Nothing until the input is connected: the encoding follows its type.
    MediaType offeredType(const Pin& output) const override;
    HRESULT acceptType(Pin& input, const MediaType& type) override;
    // Capture threads; never waits for the encoder.
    void receive(Pin& input, const SamplePtr& sample) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    std::vector<std::pair<std::string, std::string>> properties() const override;

    // Samples dropped because the encoder fell behind, in the current or last run.
    std::int64_t droppedSamples() const;

protected:
    // VFW_E_TYPE_NOT_ACCEPTED for what the encoder cannot take.
    virtual HRESULT acceptInput(const MediaType& type) const = 0;
    // What the encoder makes of `input` with the committed settings.
    virtual MediaType encodedType(const MediaType& input) const = 0;
    // An encoder for `input` and the committed settings, its packets going
    // to `target`; null after `error` (an AVERROR code) says why not.
    virtual std::unique_ptr<FrameEncoder> openEncoder(const MediaType& input, const StreamEncoder::Target& target,
                                                      int& error) const = 0;

private:
    struct Run;
    HRESULT start();
    void finish();
    // Encoding thread: delivers one packet downstream.
    int deliverPacket(const AVPacket& packet, AVRational timeBase);

    DiagnosticLog& log_;
    std::string logName_;
    std::size_t queueBudgetBytes_;
    Pin& input_;
    Pin& output_;

    RunSlot<Run> run_;
    std::atomic<std::int64_t> lastDropped_{0};
};

}  // namespace platform
