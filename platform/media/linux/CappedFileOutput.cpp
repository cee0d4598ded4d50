#include "platform/media/linux/CappedFileOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {

// Bytes gathered before they go to the file (packets are flushed each).
constexpr int kBufferBytes = 32 * 1024;

}  // namespace

CappedFileOutput::~CappedFileOutput() { close(); }

int CappedFileOutput::open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return AVERROR(errno);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferBytes));
    if (buffer == nullptr) return AVERROR(ENOMEM);
    io_.reset(avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, &CappedFileOutput::writeBytes,
                                 &CappedFileOutput::seekBytes));
    if (!io_) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    return 0;
}

int CappedFileOutput::close() {
    if (io_) avio_flush(io_.get());
    io_.reset();
    if (fd_ < 0) return 0;
    const int result = ::close(fd_) == 0 ? 0 : AVERROR(errno);
    fd_ = -1;
    return result;
}

int CappedFileOutput::writeBytes(void* opaque, std::uint8_t* data, int size) {
    static_cast<CappedFileOutput*>(opaque)->write(data, size);
    return size;
}

void CappedFileOutput::write(const std::uint8_t* data, int size) {
    const std::int64_t sizeBefore = size_;
    std::int64_t at = position_;
    position_ += size;
    // After a failure only what lies within the file goes in.
    std::int64_t left = error_ == 0 ? size : std::clamp<std::int64_t>(size_ - at, 0, size);
    while (left > 0) {
        const ssize_t written = ::pwrite(fd_, data, static_cast<std::size_t>(left), at);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (error_ != 0) return;
            error_ = written < 0 ? errno : ENOSPC;
            // The container flushes whole packets: a torn one is taken back.
            if (size_ > sizeBefore && ::ftruncate(fd_, sizeBefore) == 0) size_ = sizeBefore;
            return;
        }
        data += written;
        at += written;
        left -= written;
        size_ = std::max(size_, at);
    }
}

std::int64_t CappedFileOutput::seekBytes(void* opaque, std::int64_t offset, int whence) {
    auto& self = *static_cast<CappedFileOutput*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE: return std::max(self.size_, self.position_);
        case SEEK_SET: return self.position_ = offset;
        case SEEK_CUR: return self.position_ += offset;
        case SEEK_END: return self.position_ = std::max(self.size_, self.position_) + offset;
        default: return AVERROR(EINVAL);
    }
}

}  // namespace platform
