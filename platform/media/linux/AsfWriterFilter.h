#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/Filter.h"
#include "platform/media/linux/AsfMuxer.h"
#include "platform/media/linux/RecordingJournal.h"
#include "platform/media/linux/RunSlot.h"

namespace platform {

// The ASF writer: a file sink configured with a Windows Media profile. Its
// input pins follow the profile ("Video Input 01", "Audio Input 01"); it
// takes BGR/BGRX video of any size and 16-bit PCM of any rate, and writes
// Windows Media Video 7 and Windows Media Audio 2 at the profile's sizes and
// rates into the file, from leaving Stopped until Stopped again.
class AsfWriterFilter : public Filter, public FileSink, public AsfWriterConfig {
public:
    static constexpr const char* kVideoPin = "Video Input 01";
    static constexpr const char* kAudioPin = "Audio Input 01";

    // `journal`, when given, notes each file while it is unfinished.
    explicit AsfWriterFilter(DiagnosticLog& log, const RecordingJournal* journal = nullptr);
    ~AsfWriterFilter() override;

    // UI thread, graph stopped.
    HRESULT setFileName(const std::string& path) override;
    std::string fileName() const override { return fileName_; }
    // Adds the pins of the profile's streams. The pins of a first profile
    // stay: a later one must have the same streams (E_UNEXPECTED otherwise).
    HRESULT configureFilterUsingProfile(const WmProfile* profile) override;

    HRESULT acceptType(Pin& input, const MediaType& type) override;
    // Capture threads: queued for the muxer thread, never waiting for it.
    void receive(Pin& input, const SamplePtr& sample) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    // Removes the file this start created.
    void abandonStart() override;
    std::vector<std::pair<std::string, std::string>> properties() const override;

    int writeError() const override;
    // Samples dropped because the encoders fell behind, in the last run.
    std::int64_t droppedSamples() const;

private:
    HRESULT startFile();
    void finishFile();

    DiagnosticLog& log_;
    const RecordingJournal* journal_;
    std::string fileName_;
    std::optional<WmProfile> profile_;
    Pin* videoPin_ = nullptr;
    Pin* audioPin_ = nullptr;

    // UI thread: the file of this run was created by it.
    bool created_ = false;
    // UI thread: the journal holds a note for the file of this run.
    bool noted_ = false;
    RunSlot<AsfMuxer> muxer_;
    std::atomic<std::int64_t> lastDropped_{0};
};

}  // namespace platform
