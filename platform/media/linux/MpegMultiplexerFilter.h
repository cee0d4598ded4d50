#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/Filter.h"
#include "platform/media/ModuleSettings.h"
#include "platform/media/linux/ProgramStreamMuxer.h"
#include "platform/media/linux/RunSlot.h"

namespace platform {

// Interleaves MPEG-2 video from "Input0" and Layer II audio from "Input1"
// into an MPEG program stream (or an MPEG-1 system stream, by its module
// settings) whose bytes it delivers on "Out" to a writer. Either input may
// be left unconnected; the stream then has only the other. It starts after
// the writer and before the encoders, and stops after the encoders, so that
// everything they drain reaches the stream before it ends.
class MpegMultiplexerFilter : public Filter, public ModuleSettings {
public:
    MpegMultiplexerFilter(std::string classId, DiagnosticLog& log);
    ~MpegMultiplexerFilter() override;

    MediaType offeredType(const Pin& output) const override;
    HRESULT acceptType(Pin& input, const MediaType& type) override;
    // Encoder threads; never waits for the muxer thread.
    void receive(Pin& input, const SamplePtr& sample) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    std::vector<std::pair<std::string, std::string>> properties() const override;

    // Packets dropped because writing fell behind, in the current or last run.
    std::int64_t droppedSamples() const;

private:
    HRESULT start();
    void finish();
    // What the encoder at `input` delivers now, with its committed settings.
    std::optional<MediaType> currentType(const Pin& input) const;

    DiagnosticLog& log_;
    Pin& video_;
    Pin& audio_;
    Pin& out_;

    RunSlot<ProgramStreamMuxer> muxer_;
    std::atomic<std::int64_t> lastDropped_{0};
    std::atomic<std::int64_t> bytes_{0};
};

}  // namespace platform
