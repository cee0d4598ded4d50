#include "platform/media/linux/MpegSinkFilter.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/core/Format.h"
#include "platform/core/SystemError.h"
#include "platform/media/MediaErrors.h"

namespace platform {

MpegSinkFilter::MpegSinkFilter(std::string classId, DiagnosticLog& log, const RecordingJournal* journal)
    : Filter(std::move(classId)), ModuleSettings(Mpeg2Module::Sink), log_(log), journal_(journal) {
    addPin("Input", PinDirection::Input);
}

MpegSinkFilter::~MpegSinkFilter() { closeFile(); }

HRESULT MpegSinkFilter::setFileName(const std::string& path) {
    if (path.empty()) return E_INVALIDARG;
    if (state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) return hresultFromErrno(ENOTDIR);
    fileName_ = path;
    return S_OK;
}

HRESULT MpegSinkFilter::acceptType(Pin&, const MediaType& type) {
    return type.major == MajorType::Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void MpegSinkFilter::receive(Pin&, const SamplePtr& sample) {
    std::lock_guard lock(fileMutex_);
    if (!file_ || writeFailed_) return;
    // Handed to the system at once: whole packs are in the file even when
    // the recorder is killed.
    if (std::fwrite(sample->data.data(), 1, sample->data.size(), file_.get()) != sample->data.size() ||
        std::fflush(file_.get()) != 0) {
        // Logged once: the rest of the recording would fail the same way.
        writeFailed_ = true;
        writeError_ = errno != 0 ? errno : EIO;
        log_.append(format("\r\nMPEG sink: cannot write %s: %s", fileName_.c_str(), std::strerror(writeError_)));
        return;
    }
    bytes_ += static_cast<std::int64_t>(sample->data.size());
}

HRESULT MpegSinkFilter::changeState(FilterState from, FilterState to, StreamClock&) {
    if (from == FilterState::Stopped && to != FilterState::Stopped) return openFile();
    if (to == FilterState::Stopped) closeFile();
    return S_OK;
}

HRESULT MpegSinkFilter::openFile() {
    created_ = false;
    if (fileName_.empty()) return E_UNEXPECTED;
    // "x": fail rather than replace what is there, unless told to.
    const char* mode = committed(Mpeg2Parameter::SinkReplaceFile) == 1 ? "wb" : "wbx";
    if (journal_ != nullptr) {
        journal_->begin(fileName_);
        noted_ = true;
    }
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(fileName_.c_str(), mode));
    if (!file) {
        const int error = errno;
        // Nothing of ours to repair (a file that was there stays as it was).
        if (noted_) journal_->end(fileName_);
        noted_ = false;
        log_.append(format("\r\nMPEG sink: cannot create %s: %s", fileName_.c_str(), std::strerror(error)));
        return hresultFromErrno(error);
    }
    created_ = true;
    std::lock_guard lock(fileMutex_);
    file_ = std::move(file);
    bytes_ = 0;
    writeFailed_ = false;
    writeError_ = 0;
    return S_OK;
}

void MpegSinkFilter::closeFile() {
    bool complete = true;
    {
        std::lock_guard lock(fileMutex_);
        if (file_ && std::fclose(file_.release()) != 0 && !writeFailed_) {
            log_.append(format("\r\nMPEG sink: cannot close %s: %s", fileName_.c_str(), std::strerror(errno)));
            writeFailed_ = true;
        }
        complete = !writeFailed_;
    }
    // A program stream has no header to finish: closed whole, it is complete;
    // a failed write may have torn its last pack.
    if (noted_ && complete) journal_->end(fileName_);
    noted_ = false;
}

void MpegSinkFilter::abandonStart() {
    closeFile();
    if (!created_) return;
    created_ = false;
    std::error_code ec;
    std::filesystem::remove(fileName_, ec);
}

std::int64_t MpegSinkFilter::bytesWritten() const {
    std::lock_guard lock(fileMutex_);
    return bytes_;
}

std::vector<std::pair<std::string, std::string>> MpegSinkFilter::properties() const {
    auto lines = committedLines();
    lines.emplace_back("File", fileName_);
    lines.emplace_back("Bytes written", std::to_string(bytesWritten()));
    return lines;
}

}  // namespace platform
