#include "platform/media/linux/WavDestFilter.h"

#include <array>

#include "platform/media/MediaErrors.h"

namespace platform {
namespace {

constexpr std::size_t kHeaderBytes = 44;

void put16(std::array<char, kHeaderBytes>& h, std::size_t at, std::uint32_t v) {
    h[at] = static_cast<char>(v & 0xFF);
    h[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::array<char, kHeaderBytes>& h, std::size_t at, std::uint32_t v) {
    put16(h, at, v & 0xFFFF);
    put16(h, at + 2, v >> 16);
}

void putTag(std::array<char, kHeaderBytes>& h, std::size_t at, const char (&tag)[5]) {
    for (std::size_t i = 0; i < 4; ++i) h[at + i] = tag[i];
}

}  // namespace

WavDestFilter::WavDestFilter(DiagnosticLog& log) : Filter(kWavDestClassId), log_(log) {
    addPin("In", PinDirection::Input);
}

HRESULT WavDestFilter::setFileName(const std::string& path) {
    if (state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    std::lock_guard lock(mutex_);
    path_ = path;
    return S_OK;
}

std::string WavDestFilter::fileName() const {
    std::lock_guard lock(mutex_);
    return path_;
}

HRESULT WavDestFilter::acceptType(Pin&, const MediaType& type) {
    const AudioFormat& a = type.audio;
    const bool pcm = type.major == MajorType::Audio && a.sampleRate > 0 && a.channels > 0 &&
                     (a.bitsPerSample == 8 || a.bitsPerSample == 16 || a.bitsPerSample == 24 || a.bitsPerSample == 32);
    return pcm ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT WavDestFilter::changeState(FilterState from, FilterState to, StreamClock&) {
    std::lock_guard lock(mutex_);
    if (to == FilterState::Stopped) {
        close();
        return S_OK;
    }
    if (from != FilterState::Stopped) return S_OK;
    const Pin* in = findPin(PinDirection::Input, "In");
    if (in == nullptr || !in->isConnected()) return S_OK;  // nothing will arrive
    if (path_.empty()) {
        log_.append("\r\nWAV Dest has no file name");
        return E_FAIL;
    }
    file_.open(path_, std::ios::binary | std::ios::trunc);
    dataBytes_ = 0;
    truncated_ = false;
    if (file_) writeHeader();
    if (!file_) {
        log_.append("\r\nWAV Dest cannot write " + path_);
        file_ = std::ofstream();
        return E_FAIL;
    }
    return S_OK;
}

void WavDestFilter::receive(Pin&, const SamplePtr& sample) {
    std::lock_guard lock(mutex_);
    if (!file_.is_open() || sample->data.empty()) return;
    std::uint64_t bytes = sample->data.size();
    if (dataBytes_ + bytes > kMaxDataBytes) {
        bytes = kMaxDataBytes - dataBytes_;
        if (!truncated_) log_.append("\r\nWAV Dest reached the largest size of a WAVE file: " + path_);
        truncated_ = true;
    }
    file_.write(reinterpret_cast<const char*>(sample->data.data()), static_cast<std::streamsize>(bytes));
    dataBytes_ += bytes;
}

void WavDestFilter::endOfStream(Pin&) {
    // The file is complete here already, should the program not get to stop.
    std::lock_guard lock(mutex_);
    if (file_.is_open()) writeHeader();
}

void WavDestFilter::writeHeader() {
    const Pin* in = findPin(PinDirection::Input, "In");
    const AudioFormat a = in != nullptr ? in->mediaType().audio : AudioFormat{};
    const auto data = static_cast<std::uint32_t>(dataBytes_);
    const std::uint32_t pad = data % 2;  // chunks are padded to an even size
    const auto blockAlign = static_cast<std::uint32_t>(a.channels * a.bitsPerSample / 8);
    std::array<char, kHeaderBytes> h{};
    putTag(h, 0, "RIFF");
    put32(h, 4, 36 + data + pad);
    putTag(h, 8, "WAVE");
    putTag(h, 12, "fmt ");
    put32(h, 16, 16);
    put16(h, 20, 1);  // PCM
    put16(h, 22, static_cast<std::uint32_t>(a.channels));
    put32(h, 24, static_cast<std::uint32_t>(a.sampleRate));
    put32(h, 28, static_cast<std::uint32_t>(a.sampleRate) * blockAlign);
    put16(h, 32, blockAlign);
    put16(h, 34, static_cast<std::uint32_t>(a.bitsPerSample));
    putTag(h, 36, "data");
    put32(h, 40, data);

    const std::streampos end = file_.tellp();
    file_.seekp(0);
    file_.write(h.data(), h.size());
    if (end > static_cast<std::streampos>(kHeaderBytes)) file_.seekp(end);
    file_.flush();
}

void WavDestFilter::close() {
    if (!file_.is_open()) return;
    if (dataBytes_ % 2 != 0) file_.put('\0');
    writeHeader();
    file_.close();
    if (file_.fail()) log_.append("\r\nWAV Dest could not finish " + path_);
}

}  // namespace platform
