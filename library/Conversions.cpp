#include "library/Conversions.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "library/FileNotices.h"
#include "library/SameFile.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/shell/Launcher.h"

namespace talvora {

namespace {

constexpr int kFirstLook_ms = 3000;
constexpr int kPoll_ms = 250;
constexpr int kStablePollsWhenDone = 10;
constexpr int kEmptyPollsWhenFailed = 50;
constexpr std::int64_t kEmptyBelow_bytes = 1000;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::int64_t sizeOf(std::FILE* file) {
    struct stat info {};
    return ::fstat(::fileno(file), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

double megabytes(std::int64_t bytes) { return static_cast<double>(bytes) / 1024 / 1024; }

}  // namespace

Conversions::Conversions(AppContext& ctx, StatusDisplay show) : ctx_(ctx), show_(std::move(show)) {}

Conversions::~Conversions() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    waitForAll();
}

void Conversions::ConvertToMp4(ConversionSource source, const std::string& input) {
    start(ConversionKind::Mp4, source, input);
}

void Conversions::ConvertToMp3(ConversionSource source, const std::string& input) {
    start(ConversionKind::Mp3, source, input);
}

bool Conversions::writing(const std::string& path) {
    std::lock_guard lock(mutex_);
    return std::any_of(outputs_.begin(), outputs_.end(), [&](const std::string& o) { return SameFile(o, path); });
}

bool Conversions::mayWrite(ConversionKind kind, const ConversionCommand& command) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    // ffmpeg cannot write the file it reads, and would fail.
    if (SameFile(command.input, command.output)) {
        box.show(kind == ConversionKind::Mp4 ? "This file is already an MP4 file." : "This file is already an MP3 file.");
        return false;
    }
    if (writing(command.output)) {
        box.show("This file is still being converted.");
        return false;
    }
    // An older conversion, or another recording's whose name differs only in
    // its type: ffmpeg's -y would replace it without a word.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(command.output, ec)) &&
        box.show(platform::format("%s already exists. Do you want to replace it?", command.output.c_str()),
                 platform::MessageButtons::YesNo) != platform::IDYES)
        return false;
    return true;
}

void Conversions::waitForAll() {
    for (Worker& w : workers_)
        if (w.thread.joinable()) w.thread.join();
    workers_.clear();
}

void Conversions::start(ConversionKind kind, ConversionSource source, const std::string& input) {
    workers_.remove_if([](Worker& w) {
        if (!*w.done) return false;
        w.thread.join();
        return true;
    });
    // The settings belong to the UI thread: the command is made here.
    const std::optional<ConversionCommand> command = MakeConversionCommand(kind, source, input, ctx_.settings);
    if (!command || !mayWrite(kind, *command)) return;
    if (source == kFromBrowser && inputTaken_) inputTaken_(command->input);
    {
        std::lock_guard lock(mutex_);
        outputs_.push_back(command->output);
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::thread([this, kind, c = *command, done] {
                            watch(kind, c);
                            {
                                std::lock_guard lock(mutex_);
                                outputs_.erase(std::find(outputs_.begin(), outputs_.end(), c.output));
                            }
                            *done = true;
                        }),
                        done});
}

bool Conversions::pause(int ms) {
    if (sleep_) {
        sleep_(ms);
        return true;
    }
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ending_; });
}

void Conversions::report(const std::string& text) {
    ctx_.platform.log.append(text);
    show_(text);
}

void Conversions::tellFailure(ConversionKind kind, const ConversionCommand& command, const std::string& why) {
    if (ctx_.notices != nullptr) ctx_.notices->conversionFailed(kind, command.input, why);
}

void Conversions::watch(ConversionKind kind, const ConversionCommand& command) {
    const bool mp4 = kind == ConversionKind::Mp4;
    const std::unique_ptr<platform::StartedProgram> ffmpeg =
        ctx_.platform.launcher.start(".\\ffmpeg.exe", command.parameters, platform::ShowState::Minimized);
    if (!ffmpeg) {
        const std::string text = platform::format("Cannot find or open file %s", "ffmpeg");
        tellFailure(kind, command, text);
        ctx_.platform.messageBox.show(text);
        return;
    }
    if (!pause(kFirstLook_ms)) return;
    const std::unique_ptr<std::FILE, FileCloser> output(std::fopen(command.output.c_str(), "rbe"));
    if (!output) {
        const std::string text = mp4 ? "Error converting to MP4." : "Error converting to MP3.";
        report(text);
        tellFailure(kind, command, text);
        ctx_.platform.messageBox.show(text);
        return;
    }

    converting_ = true;
    const char* progress = mp4 ? "Converting to MP4: %.2f MB / %d" : "Converting to MP3: %.2f MB / %d";
    std::int64_t size = 0;
    std::int64_t previous = -1;
    int polls = 0;
    int stable = 0;
    int empty = 0;
    bool finished = false;
    bool failed = false;
    while (!finished && !failed) {
        if (!pause(kPoll_ms)) {
            converting_ = false;
            return;
        }
        ++polls;
        size = sizeOf(output.get());
        report(platform::format(progress, megabytes(size), polls / 4));
        // An output that stops below the empty mark has not finished: it
        // runs on into the failure below instead of being reported as done.
        stable = size >= kEmptyBelow_bytes && size == previous ? stable + 1 : 0;
        empty = size >= kEmptyBelow_bytes ? 0 : empty + 1;
        previous = size;
        // A stable file is only done once ffmpeg has ended well; an older
        // output of the name looks stable from the start.
        const std::optional<int> exitCode = ffmpeg->exitCode();
        finished = stable >= kStablePollsWhenDone && exitCode == 0;
        failed = empty >= kEmptyPollsWhenFailed || (exitCode && *exitCode != 0);
    }

    if (finished) {
        report(platform::format("Done converting: %.2f MB / %d seconds", megabytes(size), polls / 4));
        if (ctx_.notices != nullptr) ctx_.notices->converted(kind, command.output);
    } else {
        const std::string text = mp4 ? "Conversion failed. Use the convert option under View."
                                     : "Conversion mp3 failed. Use the convert option under View.";
        report(text);
        tellFailure(kind, command, text);
        ctx_.platform.messageBox.show(text);
    }
    converting_ = false;
    if (watchEnded_) watchEnded_();
}

void ConvertFinishedRecording(AppContext& ctx, const std::string& path) {
    if (ctx.conversions == nullptr) return;
    if (ctx.settings.convertMP4 != 0) ctx.conversions->ConvertToMp4(kAfterRecording, path);
    if (ctx.settings.convertMP3 != 0) ctx.conversions->ConvertToMp3(kAfterRecording, path);
}

}  // namespace talvora
