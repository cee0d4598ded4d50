#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/core/HResult.h"
#include "platform/media/MediaType.h"
#include "platform/media/WmProfile.h"
#include "platform/media/linux/CappedFileOutput.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/SampleWorker.h"
#include "platform/media/linux/WmaAudioEncoder.h"
#include "platform/media/linux/WmvVideoEncoder.h"

namespace platform {

// One ASF file being written for a profile: the capture threads queue their
// samples, and one muxer thread encodes them and is the only one to touch
// the container while it runs. Created, opened and finished on the UI thread.
class AsfMuxer {
public:
    enum Stream : std::size_t { kVideo = 0, kAudio = 1 };

    // The profile's streams, each fed with the given input format.
    AsfMuxer(DiagnosticLog& log, const WmProfile& profile, const std::optional<VideoFormat>& video,
             const std::optional<AudioFormat>& audio);
    // Finishes the file.
    ~AsfMuxer();
    AsfMuxer(const AsfMuxer&) = delete;
    AsfMuxer& operator=(const AsfMuxer&) = delete;

    // Creates the file, writes its header and starts the muxer thread.
    HRESULT open(const std::string& path);
    // Capture threads; never blocks. False when the sample was dropped.
    bool push(Stream stream, SamplePtr sample);
    // Encodes what waits, drains the encoders and writes the index and the
    // trailer, also after an error, so that the file always plays. Once.
    void finish();

    std::int64_t droppedSamples() const { return worker_.dropped(); }
    // The system error of a failed encode or write, 0 while all is well.
    int writeError() const { return writeError_; }
    // Whether open() got as far as creating the file.
    bool createdFile() const { return createdFile_; }
    // After finish(): every sample went in and the index and the trailer were
    // written, so that the file needs no repair.
    bool complete() const { return complete_; }

private:
    HRESULT report(const char* what, int error);
    void encode(const SampleQueue::Item& item);
    void closeFile();

    DiagnosticLog& log_;
    std::string path_;
    bool audioFirst_;
    std::optional<WmvVideoEncoder> video_;
    std::optional<WmaAudioEncoder> audio_;
    CappedFileOutput output_;
    ffmpeg::OutputFormatPtr format_;
    bool createdFile_ = false;
    bool failed_ = false;  // muxer thread
    std::atomic<int> writeError_{0};
    std::atomic<bool> complete_{false};
    SampleWorker worker_;
};

}  // namespace platform
