#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/DiagnosticLog.h"
#include "platform/media/FileSink.h"
#include "platform/media/Filter.h"
#include "platform/media/ModuleSettings.h"
#include "platform/media/linux/RecordingJournal.h"

namespace platform {

// Writes the bytes that arrive on "Input" (a multiplexer's stream) into
// the file it was named, as they come, so the file grows while recording.
// The file is created when the graph leaves Stopped (an existing one is
// replaced only when its module settings say so) and closed when it stops.
class MpegSinkFilter : public Filter, public FileSink, public ModuleSettings {
public:
    // `journal`, when given, notes each file while it is unfinished.
    MpegSinkFilter(std::string classId, DiagnosticLog& log, const RecordingJournal* journal = nullptr);
    ~MpegSinkFilter() override;

    // UI thread, graph stopped. E_INVALIDARG for an empty path, the system
    // error of a folder that does not exist.
    HRESULT setFileName(const std::string& path) override;
    std::string fileName() const override { return fileName_; }
    int writeError() const override { return writeError_; }

    HRESULT acceptType(Pin& input, const MediaType& type) override;
    // The multiplexer's thread.
    void receive(Pin& input, const SamplePtr& sample) override;
    HRESULT changeState(FilterState from, FilterState to, StreamClock& clock) override;
    // Removes the file this start created.
    void abandonStart() override;
    std::vector<std::pair<std::string, std::string>> properties() const override;

    std::int64_t bytesWritten() const;

private:
    struct FileClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    HRESULT openFile();
    void closeFile();

    DiagnosticLog& log_;
    const RecordingJournal* journal_;
    std::string fileName_;

    // Guards the file between the UI thread, which opens and closes it, and
    // the thread that delivers.
    mutable std::mutex fileMutex_;
    std::unique_ptr<std::FILE, FileClose> file_;
    std::int64_t bytes_ = 0;
    bool writeFailed_ = false;
    std::atomic<int> writeError_{0};
    bool created_ = false;  // UI thread: the file of this run exists because of it
    bool noted_ = false;    // UI thread: the journal holds a note for it
};

}  // namespace platform
