#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/AppContext.h"
#include "library/ConversionCommand.h"

namespace talvora {

// The conversions of recordings to MP4 and MP3 with ffmpeg. Each runs on a
// worker of its own: it starts ffmpeg, reports progress by the size of the
// output file in the recorder's status line, and judges the result by the
// file and by ffmpeg's exit code. Started on the UI thread.
class Conversions {
public:
    // Sets the recorder window's status text and shows it. Called from the
    // workers: it must hand the text to the UI thread.
    using StatusDisplay = std::function<void(const std::string& text)>;

    Conversions(AppContext& ctx, StatusDisplay show);
    // Ends the watches early and joins the workers.
    ~Conversions();
    Conversions(const Conversions&) = delete;
    Conversions& operator=(const Conversions&) = delete;

    // `input`: the full path of the file to convert. Refused with a message
    // when the output would be the input itself or is being written by
    // another conversion; an existing output is replaced only when the user
    // agrees. UI thread.
    void ConvertToMp4(ConversionSource source, const std::string& input);
    void ConvertToMp3(ConversionSource source, const std::string& input);

    // Set while a conversion watches its output; the first to end clears it.
    bool converting() const { return converting_; }
    // True while a conversion writes `path`. Any thread.
    bool writing(const std::string& path);

    // Called on the worker when a watch of the output has ended, finished
    // or failed.
    void setWatchEnded(std::function<void()> ended) { watchEnded_ = std::move(ended); }
    // Called on the UI thread with the full input path of a conversion
    // started from the browser: it becomes the current recording.
    void setBrowserInputTaken(std::function<void(const std::string& path)> taken) { inputTaken_ = std::move(taken); }

    // Tests: their own clock for the waits, and waiting for every worker.
    using Sleep = std::function<void(int ms)>;
    void setSleep(Sleep sleep) { sleep_ = std::move(sleep); }
    void waitForAll();

private:
    void start(ConversionKind kind, ConversionSource source, const std::string& input);
    // False (after saying why, or the user's No) when `command` must not run.
    bool mayWrite(ConversionKind kind, const ConversionCommand& command);
    // The desktop notice of a conversion that failed for `why`. Worker.
    void tellFailure(ConversionKind kind, const ConversionCommand& command, const std::string& why);
    void watch(ConversionKind kind, const ConversionCommand& command);
    void report(const std::string& text);
    // False when the program is ending and the watch should stop.
    bool pause(int ms);

    AppContext& ctx_;
    StatusDisplay show_;
    std::function<void()> watchEnded_;
    std::function<void(const std::string&)> inputTaken_;
    Sleep sleep_;
    std::atomic<bool> converting_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::list<std::string> outputs_;  // of the running conversions
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers_;
};

// After a recording has stopped: the conversions `ConvertMP4` and
// `ConvertMP3` ask for, of the finished file. UI thread.
void ConvertFinishedRecording(AppContext& ctx, const std::string& path);

}  // namespace talvora
