#include "platform/media/linux/ProgramStreamMuxer.h"

#include "platform/core/Format.h"

namespace platform {

namespace {

// Encoded packets are small; these only fill up when writing stalls.
constexpr std::size_t kVideoBudgetBytes = 64u << 20;
constexpr std::size_t kAudioBudgetBytes = 4u << 20;

}  // namespace

ProgramStreamMuxer::ProgramStreamMuxer(DiagnosticLog& log, bool mpeg2, const std::optional<MediaType>& video,
                                       const std::optional<MediaType>& audio, Write write)
    : log_(log), writer_(mpeg2, video, audio, std::move(write)), worker_({kVideoBudgetBytes, kAudioBudgetBytes}) {}

ProgramStreamMuxer::~ProgramStreamMuxer() { finish(); }

HRESULT ProgramStreamMuxer::open() {
    worker_.start(
        [this](const SampleQueue::Item& item) { writer_.add(static_cast<ProgramStreamWriter::Stream>(item.stream), item.sample); },
        [this] { closeStream(); }, "MPEG writer");
    return S_OK;
}

bool ProgramStreamMuxer::push(Stream stream, SamplePtr sample) {
    return writer_.has(static_cast<ProgramStreamWriter::Stream>(stream)) && worker_.push(stream, std::move(sample));
}

void ProgramStreamMuxer::finish() { worker_.stop(); }

void ProgramStreamMuxer::closeStream() {
    writer_.end();
    if (worker_.dropped() > 0)
        log_.append(format("\r\nMPEG multiplexer: %lld packets dropped", static_cast<long long>(worker_.dropped())));
}

}  // namespace platform
