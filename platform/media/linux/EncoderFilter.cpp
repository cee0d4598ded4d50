#include "platform/media/linux/EncoderFilter.h"

#include <exception>
#include <utility>

#include "platform/core/Format.h"
#include "platform/media/MediaErrors.h"

namespace platform {

namespace {
constexpr AVRational kStreamTimeBase{1, 10'000'000};
}  // namespace

// One run's encoder and the thread that feeds it; the thread goes first.
struct EncoderFilter::Run {
    std::unique_ptr<FrameEncoder> encoder;
    bool failed = false;  // encoding thread
    std::unique_ptr<SampleWorker> worker;
};

EncoderFilter::EncoderFilter(std::string classId, Mpeg2Module module, Pins pins, std::size_t queueBudgetBytes,
                             DiagnosticLog& log, std::string logName)
    : Filter(std::move(classId)),
      ModuleSettings(module),
      log_(log),
      logName_(std::move(logName)),
      queueBudgetBytes_(queueBudgetBytes),
      input_(addPin(pins.input, PinDirection::Input)),
      output_(addPin(pins.output, PinDirection::Output)) {}

EncoderFilter::~EncoderFilter() { finish(); }

MediaType EncoderFilter::offeredType(const Pin&) const {
    return input_.isConnected() ? encodedType(input_.mediaType()) : MediaType{};
}

HRESULT EncoderFilter::acceptType(Pin& input, const MediaType& type) {
    return &input == &input_ ? acceptInput(type) : VFW_E_TYPE_NOT_ACCEPTED;
}

void EncoderFilter::receive(Pin&, const SamplePtr& sample) {
    run_.with([&](Run& run) { run.worker->push(0, sample); });
}

HRESULT EncoderFilter::changeState(FilterState from, FilterState to, StreamClock&) {
    if (from == FilterState::Stopped && to != FilterState::Stopped) return start();
    if (to == FilterState::Stopped) finish();
    return S_OK;
}

HRESULT EncoderFilter::start() {
    if (!input_.isConnected() || !output_.isConnected()) return VFW_E_NOT_CONNECTED;
    auto run = std::make_unique<Run>();
    int error = 0;
    StreamEncoder::PacketHandler handler = [this](AVPacket& packet, AVRational timeBase) {
        return deliverPacket(packet, timeBase);
    };
    run->encoder = openEncoder(input_.mediaType(), handler, error);
    if (!run->encoder) {
        log_.append(format("\r\n%s: cannot open the encoder: %s", logName_.c_str(), ffmpeg::errorText(error).c_str()));
        return ffmpeg::toHresult(error);
    }
    run->worker = std::make_unique<SampleWorker>(std::vector<std::size_t>{queueBudgetBytes_});
    Run& r = *run;
    r.worker->start(
        [this, &r](const SampleQueue::Item& item) {
            if (r.failed) return;
            try {
                if (int e = r.encoder->encode(*item.sample); e < 0) {
                    log_.append(format("\r\n%s: cannot encode: %s", logName_.c_str(), ffmpeg::errorText(e).c_str()));
                    r.failed = true;
                }
            } catch (const std::exception& e) {
                log_.append(format("\r\n%s: cannot encode: %s", logName_.c_str(), e.what()));
                r.failed = true;
            }
        },
        [this, &r] {
            // Drained also after a failure: what was encoded still reaches the file.
            try {
                if (int e = r.encoder->flush(); e < 0)
                    log_.append(format("\r\n%s: cannot drain the encoder: %s", logName_.c_str(),
                                       ffmpeg::errorText(e).c_str()));
            } catch (const std::exception& e) {
                log_.append(format("\r\n%s: cannot drain the encoder: %s", logName_.c_str(), e.what()));
            }
            output_.deliverEndOfStream();
        },
        logName_);
    run_.put(std::move(run));
    return S_OK;
}

void EncoderFilter::finish() {
    const std::unique_ptr<Run> run = run_.take();
    if (!run) return;
    run->worker->stop();
    lastDropped_ = run->worker->dropped();
    log_.append(format("\r\n%s: %lld frames encoded, %lld samples dropped", logName_.c_str(),
                       static_cast<long long>(run->encoder->encodedFrames()), static_cast<long long>(lastDropped_)));
}

int EncoderFilter::deliverPacket(const AVPacket& packet, AVRational timeBase) {
    auto sample = std::make_shared<MediaSample>();
    sample->pts_100ns = av_rescale_q(packet.pts, timeBase, kStreamTimeBase);
    sample->dts_100ns = packet.dts == AV_NOPTS_VALUE ? sample->pts_100ns
                                                     : av_rescale_q(packet.dts, timeBase, kStreamTimeBase);
    sample->duration_100ns = av_rescale_q(packet.duration, timeBase, kStreamTimeBase);
    sample->keyFrame = (packet.flags & AV_PKT_FLAG_KEY) != 0;
    sample->data.assign(packet.data, packet.data + packet.size);
    output_.deliver(sample);
    return 0;
}

std::int64_t EncoderFilter::droppedSamples() const {
    std::int64_t dropped = lastDropped_;
    run_.with([&](const Run& run) { dropped = run.worker->dropped(); });
    return dropped;
}

std::vector<std::pair<std::string, std::string>> EncoderFilter::properties() const {
    auto lines = committedLines();
    lines.emplace_back("Dropped samples", std::to_string(droppedSamples()));
    return lines;
}

}  // namespace platform
