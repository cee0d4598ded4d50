#include "platform/media/linux/AsfWriterFilter.h"

#include <filesystem>

#include "platform/core/Format.h"
#include "platform/media/MediaErrors.h"

namespace platform {

namespace {

// What the encoders take: Windows Media Audio 2 holds at most two channels
// at up to 48 kHz.
HRESULT checkEncodable(const WmProfile& profile) {
    if (!profile.audio && !profile.video) return E_INVALIDARG;
    if (const auto& a = profile.audio;
        a && (a->formatTag != kWmAudioV2FormatTag || a->channels < 1 || a->channels > 2 || a->samplesPerSecond > 48000))
        return E_INVALIDARG;
    if (const auto& v = profile.video; v && (v->compression != kWmVideoV7Compression || v->avgTimePerFrame_100ns <= 0))
        return E_INVALIDARG;
    return S_OK;
}

}  // namespace

AsfWriterFilter::AsfWriterFilter(DiagnosticLog& log, const RecordingJournal* journal)
    : Filter(kAsfWriterClassId), log_(log), journal_(journal) {}

AsfWriterFilter::~AsfWriterFilter() { finishFile(); }

HRESULT AsfWriterFilter::setFileName(const std::string& path) {
    if (path.empty()) return E_INVALIDARG;
    if (state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    fileName_ = path;
    return S_OK;
}

HRESULT AsfWriterFilter::configureFilterUsingProfile(const WmProfile* profile) {
    if (profile == nullptr) return E_POINTER;
    if (state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    if (const HRESULT hr = checkEncodable(*profile); failed(hr)) return hr;
    if (!pins().empty()) {
        // Pins cannot be taken away from a filter.
        if (profile->video.has_value() != (videoPin_ != nullptr) ||
            profile->audio.has_value() != (audioPin_ != nullptr))
            return E_UNEXPECTED;
    } else {
        const bool audioFirst =
            profile->audio && (!profile->video || profile->audio->streamNumber < profile->video->streamNumber);
        if (profile->audio && audioFirst) audioPin_ = &addPin(kAudioPin, PinDirection::Input);
        if (profile->video) videoPin_ = &addPin(kVideoPin, PinDirection::Input);
        if (profile->audio && !audioFirst) audioPin_ = &addPin(kAudioPin, PinDirection::Input);
    }
    profile_ = *profile;
    return S_OK;
}

HRESULT AsfWriterFilter::acceptType(Pin& input, const MediaType& type) {
    if (&input == videoPin_ && type.major == MajorType::Video) {
        const VideoFormat& v = type.video;
        if (v.width > 0 && v.height > 0 && (v.bitsPerPixel == 24 || v.bitsPerPixel == 32)) return S_OK;
    }
    if (&input == audioPin_ && type.major == MajorType::Audio) {
        const AudioFormat& a = type.audio;
        if (a.bitsPerSample == 16 && a.channels >= 1 && a.channels <= 8 && a.sampleRate > 0) return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

void AsfWriterFilter::receive(Pin& input, const SamplePtr& sample) {
    const auto stream = &input == videoPin_ ? AsfMuxer::kVideo : AsfMuxer::kAudio;
    muxer_.with([&](AsfMuxer& muxer) { muxer.push(stream, sample); });
}

HRESULT AsfWriterFilter::changeState(FilterState from, FilterState to, StreamClock&) {
    if (from == FilterState::Stopped && to != FilterState::Stopped) return startFile();
    if (to == FilterState::Stopped) finishFile();
    // Nothing arrives while paused: the stream clock stands still.
    return S_OK;
}

HRESULT AsfWriterFilter::startFile() {
    created_ = false;
    if (!profile_ || fileName_.empty()) {
        log_.append("\r\nASF writer: no profile or no file name");
        return E_UNEXPECTED;
    }
    // Every stream of the profile is written, so every pin must be fed.
    if ((videoPin_ != nullptr && !videoPin_->isConnected()) || (audioPin_ != nullptr && !audioPin_->isConnected()))
        return VFW_E_NOT_CONNECTED;
    std::optional<VideoFormat> video;
    std::optional<AudioFormat> audio;
    if (videoPin_ != nullptr) video = videoPin_->mediaType().video;
    if (audioPin_ != nullptr) audio = audioPin_->mediaType().audio;
    auto muxer = std::make_unique<AsfMuxer>(log_, *profile_, video, audio);
    if (journal_ != nullptr) {
        journal_->begin(fileName_);
        noted_ = true;
    }
    const HRESULT hr = muxer->open(fileName_);
    created_ = muxer->createdFile();
    if (failed(hr)) {
        muxer.reset();
        abandonStart();
        return hr;
    }
    muxer_.put(std::move(muxer));
    return S_OK;
}

void AsfWriterFilter::abandonStart() {
    finishFile();
    if (!created_) return;
    created_ = false;
    std::error_code ec;
    std::filesystem::remove(fileName_, ec);
}

void AsfWriterFilter::finishFile() {
    // Taken out first: a late sample is then dropped, not held up.
    bool complete = true;
    if (const std::unique_ptr<AsfMuxer> muxer = muxer_.take()) {
        muxer->finish();
        lastDropped_ = muxer->droppedSamples();
        complete = muxer->complete();
    }
    // With its index and trailer written (or never made) it needs no repair;
    // one that a full disk cut short is repaired at the next start.
    if (noted_ && complete) journal_->end(fileName_);
    noted_ = false;
}

std::int64_t AsfWriterFilter::droppedSamples() const {
    std::int64_t dropped = lastDropped_;
    muxer_.with([&](const AsfMuxer& muxer) { dropped = muxer.droppedSamples(); });
    return dropped;
}

std::vector<std::pair<std::string, std::string>> AsfWriterFilter::properties() const {
    return {{"File", fileName_},
            {"Profile", profile_ ? profile_->name : std::string()},
            {"Dropped samples", std::to_string(droppedSamples())}};
}

int AsfWriterFilter::writeError() const {
    int error = 0;
    muxer_.with([&error](const AsfMuxer& m) { error = m.writeError(); });
    return error;
}

}  // namespace platform
