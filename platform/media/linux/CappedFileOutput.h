#pragma once

#include <cstdint>
#include <string>

#include "platform/media/linux/FfmpegHandles.h"

namespace platform {

// The output of a container being written to a file, for a disk that may
// fill up: once the file cannot grow (a full disk, or any write error), what
// would be appended is dropped, while rewrites of bytes already in the file
// still go in. So a container that rewrites its header when it ends (the ASF
// muxer writes the duration there) leaves a file that plays up to where the
// disk was full. The container sees no error; error() tells. One thread.
class CappedFileOutput {
public:
    CappedFileOutput() = default;
    ~CappedFileOutput();
    CappedFileOutput(const CappedFileOutput&) = delete;
    CappedFileOutput& operator=(const CappedFileOutput&) = delete;

    // Creates (or empties) the file; 0 or a negative AVERROR.
    int open(const std::string& path);
    // Seekable, for a container's pb; owned here.
    AVIOContext* io() const { return io_.get(); }
    // Flushes and closes the file; 0 or a negative AVERROR.
    int close();
    // The system error that stopped the file from growing; 0 while it grows.
    int error() const { return error_; }

private:
    static int writeBytes(void* opaque, std::uint8_t* data, int size);
    static std::int64_t seekBytes(void* opaque, std::int64_t offset, int whence);
    void write(const std::uint8_t* data, int size);

    int fd_ = -1;
    ffmpeg::IoContextPtr io_;
    std::int64_t position_ = 0;  // where the container writes next
    std::int64_t size_ = 0;      // the bytes in the file
    int error_ = 0;
};

}  // namespace platform
