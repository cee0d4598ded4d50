#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/FileSink.h"
#include "platform/media/Filter.h"

namespace platform {

constexpr const char* kWavDestClassId = "{3C78B8E2-6C4D-11D1-ADE2-0000F8754B99}";

// "WAV Dest": writes the PCM audio arriving on its input pin "In" to a RIFF
// WAVE file. The file is created when the graph leaves Stopped with the pin
// connected; its header gets the real sizes at the end of the stream and
// when the graph stops.
class WavDestFilter : public Filter, public FileSink {
public:
    // Largest data chunk a RIFF file can describe; more is not written.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36 - 1;

    explicit WavDestFilter(DiagnosticLog& log);

    // UI thread, while stopped.
    HRESULT setFileName(const std::string& path) override;
    std::string fileName() const override;

    HRESULT acceptType(Pin& input, const MediaType& type) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    // The upstream filter's thread.
    void receive(Pin& input, const SamplePtr& sample) override;
    void endOfStream(Pin& input) override;

private:
    // mutex_ held: writes the header with the sizes so far.
    void writeHeader();
    void close();

    DiagnosticLog& log_;
    mutable std::mutex mutex_;
    std::string path_;          // guarded by mutex_
    std::ofstream file_;        // guarded by mutex_
    std::uint64_t dataBytes_ = 0;  // guarded by mutex_
    bool truncated_ = false;       // guarded by mutex_
};

}  // namespace platform
