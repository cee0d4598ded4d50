#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "capture/AsfWriterSetup.h"
#include "capture/GraphToolkit.h"
#include "capture/Mpeg2Path.h"
#include "capture/RecordingFilters.h"
#include "capture/RecordingHost.h"
#include "capture/WmProfileWriter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/ScreenCaptureStatus.h"

namespace talvora {

class SettingsStore;

// Shown when the audio capture cannot be connected to the writer (both
// recording paths).
const char* AudioFailureMessage();

// What identifies the capture target of a recording: the tracked meeting
// window, when one is captured by its handle.
struct CaptureTarget {
    platform::WindowId trackedWindow = 0;
    int windowCaptureActive = 0;
    int secondMonitorScale = 100;
};

// The recording graph `m_pGB`: built from the settings for one recording,
// run, paused, stopped and torn down. UI thread; the waits dispatch messages.
class RecordingGraph {
public:
    RecordingGraph(AppContext& ctx, SettingsStore& store, GraphToolkit& toolkit,
                   const platform::FilterRegistry& registry, RecordingHost& host);
    ~RecordingGraph();

    platform::HRESULT createGraph();
    void releaseGraph();
    bool exists() const { return graph_ != nullptr; }
    platform::FilterGraph* graph() const { return graph_.get(); }

    // 1 when the graph runs, 0 after its message. The microphone starts muted
    // when `muted` is set.
    int buildAndRun(const std::string& outputPath, const CaptureTarget& target, bool muted);
    int run();
    void pause();
    void stop();
    platform::HRESULT tearDownFilters();
    void tearDownAndRelease();
    void tearDownReleaseAndCreate();
    void releaseAndCreate();
    // 1 when the source of `Audio Source` connects to a WAV writer.
    int audioSourceTest();

    // Local time when the graph started running, 100 ns since 1601 (file time).
    std::int64_t startTime() const { return startTime_; }
    bool stopping() const { return stopping_; }
    // The audio-capture filter of the recording, for set-up updates.
    platform::Filter* audioCapture() const { return filters_.audio.get(); }
    // Re-sends the audio set-up (mute changes, resume).
    void updateAudioSetup(bool muted);
    // The MPEG-2 path, when the program has one.
    void setMpeg2Path(Mpeg2Path* path) { mpeg2_ = path; }
    const RecordingFilters& filters() const { return filters_; }
    // The system error that stopped the recording's file from growing (ENOSPC
    // for a full disk), 0 while it is written.
    int writeError() const;
    // What went wrong with the screen during the recording; no fault when
    // the screen capture cannot tell.
    platform::ScreenFault screenFault() const;

private:
    bool addWmvFilters(const std::string& outputPath, const CaptureTarget& target, int width, int height);
    bool connectWmv();
    bool soundRateGuard();
    // Takes the source and WAV writer of audioSourceTest() out of the graph.
    void discardSourceTest();
    void placeClonedVideo();
    void postSceneBack(std::intptr_t wParam, std::intptr_t lParam);
    void showAudioFailure();
    std::array<int, 16> screenValues(const CaptureTarget& target) const;
    platform::Pin* pin(const std::shared_ptr<platform::Filter>& f, platform::PinDirection d, const char* name);

    AppContext& ctx_;
    SettingsStore& store_;
    GraphToolkit& toolkit_;
    const platform::FilterRegistry& registry_;
    RecordingHost& host_;
    WmProfileWriter profileWriter_;
    AsfWriterSetup asfSetup_;

    std::unique_ptr<platform::FilterGraph> graph_;
    bool renderFlag_ = false;
    std::atomic<bool> stopping_{false};
    bool muted_ = false;
    std::int64_t startTime_ = 0;

    RecordingFilters filters_;
    Mpeg2Path* mpeg2_ = nullptr;
};

}  // namespace talvora
