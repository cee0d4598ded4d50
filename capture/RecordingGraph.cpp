#include "capture/RecordingGraph.h"

#include <cstdlib>

#include "app/SettingsStore.h"
#include "capture/CaptureFilterSetup.h"
#include "platform/media/FileSink.h"
#include "platform/audio/SoundPlayer.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/FileTime.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/MessagePump.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/VideoWindow.h"
#include "platform/shell/Launcher.h"

namespace talvora {

using platform::Filter;
using platform::HRESULT;
using platform::PinDirection;

namespace {

const char* const kAudioFailure =
    "Cannot setup audio recording. Possible reasons: \n\nyour audio system settings are not accepted \nall audio "
    "sources are disabled \nthe \"Auto Detect\" option is not enabled in Settings \n\nSee Audio Troubleshooting under "
    "Help.";

const char* const kSoundSetupInstructions =
    "\r\nWINDOWS 7 / VISTA SAMPLE RATE SETUP\r\n\r\nIn the 'Sound' window click Speakers.\r\nClick Configure and make "
    "sure the Audio is set to Stereo.\r\nClick Properties then click Advanced and set the audio format to 16 or 24 "
    "bit, 44100 or 48000 Hz (samples).\r\n\r\nClose and restart Talvora.";

bool isMpeg2Protocol(int protocol) { return protocol == 0 || protocol == 2 || protocol == 8; }

// The graph's video window is its renderer's, when it has one.
platform::VideoWindow* videoWindowOf(platform::FilterGraph* graph) {
    if (graph == nullptr) return nullptr;
    for (const auto& f : graph->filters())
        if (auto* window = platform::query<platform::VideoWindow>(f)) return window;
    return nullptr;
}

unsigned pointerText(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

const char* AudioFailureMessage() { return kAudioFailure; }

RecordingGraph::RecordingGraph(AppContext& ctx, SettingsStore& store, GraphToolkit& toolkit,
                               const platform::FilterRegistry& registry, RecordingHost& host)
    : ctx_(ctx),
      store_(store),
      toolkit_(toolkit),
      registry_(registry),
      host_(host),
      profileWriter_(ctx, store),
      asfSetup_(ctx, store, registry) {}

RecordingGraph::~RecordingGraph() {
    if (graph_) graph_->stop();
}

HRESULT RecordingGraph::createGraph() {
    graph_ = std::make_unique<platform::FilterGraph>(registry_);
    return platform::S_OK;
}

void RecordingGraph::releaseGraph() {
    filters_.renderer.reset();
    asfSetup_.releaseAsfWriter();
    graph_.reset();
}

platform::Pin* RecordingGraph::pin(const std::shared_ptr<Filter>& f, PinDirection d, const char* name) {
    return f ? toolkit_.FindPin(f.get(), d, name) : nullptr;
}

void RecordingGraph::postSceneBack(std::intptr_t wParam, std::intptr_t lParam) {
    if (const platform::WindowId sceneBack = ctx_.platform.windows.find("SceneBack"); sceneBack != 0)
        ctx_.platform.messages.post(sceneBack, ctx_.messages.screenCapture, wParam, lParam);
}

std::array<int, 16> RecordingGraph::screenValues(const CaptureTarget& target) const {
    const Settings& s = ctx_.settings;
    return {static_cast<int>(s.frameRate), s.bitcount, s.xTop, s.yTop, s.xBottom, s.yBottom, s.protocol,
            s.videoBitrate, 1, s.cursor, 0, static_cast<int>(target.trackedWindow), target.windowCaptureActive, 0,
            100, 0};
}

int RecordingGraph::buildAndRun(const std::string& outputPath, const CaptureTarget& target, bool muted) {
    muted_ = muted;
    platform::MessageBox& box = ctx_.platform.messageBox;
    Settings& s = ctx_.settings;
    // Audio Setup's test of a source leaves it connected to a WAV writer
    // without a file name, which would fail this graph's run.
    if (filters_.wavDest) discardSourceTest();
    if (!graph_ && platform::failed(createGraph())) {
        box.show("Cannot create DirectShow graph");
        return 0;
    }
    if (s.vistaAudio == 1 && s.audioSource.empty() && s.audioOutput.empty()) {
        s.audioSource = "VozEza5";
        s.audioOutput = "Out";
        store_.write();
    }
    if (store_.read() == 0) {
        box.show("Cannot read screen coordinates.");
        return 0;
    }

    // Edges at 0 move off it by one pixel; both sides become multiples of 8.
    if (s.xTop == 0 && s.xBottom > 0) {
        s.xTop = -1;
        s.xBottom -= 1;
    } else if (s.xTop == 0 && s.xBottom < 0) {
        s.xTop = 1;
        s.xBottom += 1;
    }
    if (s.yTop == 0) {
        s.yTop = -1;
        s.yBottom -= 1;
    }
    const int width = std::abs(s.xBottom - s.xTop) / 8 * 8;
    const int height = std::abs(s.yBottom - s.yTop) / 8 * 8;
    s.xBottom = s.xTop + width;
    s.yBottom = s.yTop + height;
    if (store_.write() == 0) {
        box.show(platform::format("Cannot write to file %s", store_.settingsPath().c_str()));
        return 0;
    }
    renderFlag_ = true;

    if (isMpeg2Protocol(s.protocol)) {
        if (ctx_.audio.clientRate > 48000) return 0;
        if (mpeg2_ != nullptr) mpeg2_->prepare(screenValues(target), muted_);
        if (mpeg2_ == nullptr || !mpeg2_->addFilters(*graph_, filters_, outputPath) ||
            !mpeg2_->connect(*graph_, filters_))
            return 0;
    } else if (s.protocol == 1) {
        if (!soundRateGuard()) return 0;
        if (!addWmvFilters(outputPath, target, width, height) || !connectWmv()) return 0;
    }

    host_.restartPreview();
    placeClonedVideo();
    if (s.setTopWindow != 0) host_.refreshLayeredStyle();
    if (run() == 0) {
        box.show("Cannot start recording. Try again or close/restart the program.");
        return 0;
    }
    startTime_ = platform::localFileTimeNow();
    if (s.setTopWindow != 0) host_.refreshLayeredStyle();
    return 1;
}

bool RecordingGraph::soundRateGuard() {
    if (ctx_.audio.clientRate <= 48000) return true;
    // The sound settings open, then the instructions; the program closes
    // after the user has read them.
    ctx_.platform.pump.pump(1000);
    ctx_.platform.launcher.execute("open", ".\\sound.bat", "", platform::ShowState::Normal);
    ctx_.platform.pump.pump(1000);
    ctx_.platform.messageBox.show(kSoundSetupInstructions);
    host_.clearRecordingFlag();
    host_.closeProgram();
    return false;
}

bool RecordingGraph::addWmvFilters(const std::string& outputPath, const CaptureTarget& target, int width,
                                   int height) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    Settings& s = ctx_.settings;
    const int fps = static_cast<int>(s.frameRate);
    bool written = false;
    if (s.audioOnly != 0) written = profileWriter_.writeAudioOnly(s.audioBitrate);
    else if (s.videoOnly != 0) written = profileWriter_.writeVideoOnly(width, height, s.videoBitrate, fps);
    else written = profileWriter_.writeAudioVideo(width, height, s.videoBitrate, s.audioBitrate, fps);
    if (!written) {
        box.show("Cannot setup WMP recording");
        return false;
    }
    store_.write();

    if (s.audioOnly == 0) {
        filters_.screen = SetupScreenCapture(ctx_, toolkit_, *graph_, screenValues(target), false);
        if (!filters_.screen) return false;
        auto* config = platform::query<platform::ScreenCaptureConfig>(filters_.screen);
        if (config == nullptr || platform::failed(config->configure(screenValues(target))))
            box.show("Cannot setup screen capture filter");
    }
    const HRESULT hr = asfSetup_.addAsfWriter(outputPath, *graph_);
    filters_.asfWriter = asfSetup_.asfWriter();
    ctx_.platform.log.append(platform::format("\r\npASFWriter=0x%x", pointerText(filters_.asfWriter.get())));
    if (platform::failed(hr)) {
        box.show("Cannot install ASF Writer");
        return false;
    }

    if (s.videoOnly == 0) {
        filters_.audio =
            SetupAudioCapture(ctx_, toolkit_, *graph_, AudioSetupFromSettings(s, muted_, stopping_));
        if (!filters_.audio) return false;
        s.audioOutput = "Out";
    }

    if (s.setTopWindow != 0) {
        filters_.tee = toolkit_.AddFilterByName(*graph_, platform::kLegacyFilterCategory, "MainConcept InfTee Filter");
        if (!filters_.tee)
            filters_.tee = toolkit_.AddFilterByName(*graph_, platform::kLegacyFilterCategory, "Infinte Pin Tee Filter");
        if (!filters_.tee) return false;
        if (renderFlag_)
            filters_.renderer = toolkit_.AddFilterByName(*graph_, platform::kLegacyFilterCategory, "Video Renderer");
    }
    return true;
}

void RecordingGraph::showAudioFailure() { ctx_.platform.messageBox.show(kAudioFailure); }

bool RecordingGraph::connectWmv() {
    platform::MessageBox& box = ctx_.platform.messageBox;
    const Settings& s = ctx_.settings;
    platform::FilterGraph& g = *graph_;
    if (s.videoOnly == 0 && platform::failed(g.connectDirect(pin(filters_.audio, PinDirection::Output, "Out"),
                                                             pin(filters_.asfWriter, PinDirection::Input,
                                                                 "Audio Input 01")))) {
        showAudioFailure();
        return false;
    }
    if (s.audioOnly != 0) return true;
    platform::Pin* screenOut = pin(filters_.screen, PinDirection::Output, "Output");
    platform::Pin* writerVideo = pin(filters_.asfWriter, PinDirection::Input, "Video Input 01");
    if (s.setTopWindow != 0) {
        if (platform::failed(g.connectDirect(screenOut, pin(filters_.tee, PinDirection::Input, "Input")))) {
            box.show("Cannot connect Screen to Tee");
            return false;
        }
        if (platform::failed(g.connectDirect(pin(filters_.tee, PinDirection::Output, "Output1"), writerVideo))) {
            box.show("Cannot connect encoder to Tee");
            return false;
        }
        if (renderFlag_) {
            g.render(pin(filters_.tee, PinDirection::Output, "Output2"));
            if (auto* window = videoWindowOf(graph_.get())) {
                window->setAutoShow(false);
                window->setVisible(false);
            }
        }
    } else if (platform::failed(g.connectDirect(screenOut, writerVideo))) {
        box.show("Cannot connect Screen to Encoder");
        return false;
    }
    return true;
}

void RecordingGraph::placeClonedVideo() {
    const platform::WindowId recorder = host_.recorderWindow();
    platform::VideoWindow* window = videoWindowOf(graph_.get());
    if (recorder == 0 || window == nullptr || !host_.createClonePanel()) return;
    window->setOwner(recorder);
    const RecordingHost::ClientLayout layout = host_.clientLayout();
    const int m = layout.stripAndButtons;
    const int h = layout.clientHeight - (layout.statusHeight + m);
    window->setAutoShow(true);
    window->setVisible(true);
    window->setForeground();
    window->setWindowPosition(0, m, layout.clientWidth, h);
}

int RecordingGraph::run() {
    postSceneBack(8, 7);
    if (graph_) {
        ctx_.platform.pump.pump(1000);
        if (host_.startMinimised() && host_.pauseState() == 0) host_.minimiseRecorder();
        else host_.setPlayPauseCaption("PAUSE");
        const HRESULT hr = graph_->run();
        postSceneBack(7, 8);
        if (platform::failed(hr)) {
            ctx_.platform.messageBox.show("Cannot setup recording graph");
            return 0;
        }
        ctx_.platform.log.append("\r\n\r\nRUNNING\r\n");
    }
    postSceneBack(7, 8);
    return 1;
}

void RecordingGraph::pause() {
    postSceneBack(7, 7);
    if (graph_) graph_->pause();
    postSceneBack(7, 8);
}

void RecordingGraph::updateAudioSetup(bool muted) {
    muted_ = muted;
    auto* config = platform::query<platform::AudioCaptureConfig>(filters_.audio);
    if (config != nullptr && ctx_.settings.videoOnly == 0)
        config->configure(AudioSetupFromSettings(ctx_.settings, muted_, stopping_));
}

void RecordingGraph::stop() {
    postSceneBack(7, 7);
    ctx_.platform.pump.pump(1000);
    if (auto* window = videoWindowOf(graph_.get())) {
        window->setVisible(false);
        window->setAutoShow(false);
        window->setOwner(0);
    }
    host_.destroyClonePanel();
    stopping_ = true;
    updateAudioSetup(muted_);
    if (graph_) graph_->stop();
    stopping_ = false;
    postSceneBack(7, 8);
    if (ctx_.settings.miniClone != 0) host_.setRecordCaption("RECORD");
    ctx_.platform.sound.play("./sound1.wav", false);
}

HRESULT RecordingGraph::tearDownFilters() {
    ctx_.platform.pump.pump(1000);
    HRESULT result = platform::S_OK;
    for (std::shared_ptr<Filter>* slot :
         {&filters_.asfWriter, &filters_.mpegSink, &filters_.screen, &filters_.colorConverter, &filters_.tee,
          &filters_.wavDest, &filters_.audio, &filters_.videoEncoder, &filters_.audioEncoder, &filters_.multiplexer,
          &filters_.imageScaler}) {
        if (*slot && graph_) result = graph_->removeFilter(slot->get());
        slot->reset();
    }
    asfSetup_.releaseAsfWriter();
    return result;
}

void RecordingGraph::discardSourceTest() {
    if (graph_) graph_->stop();
    for (std::shared_ptr<Filter>* slot : {&filters_.wavDest, &filters_.audio}) {
        if (*slot && graph_) graph_->removeFilter(slot->get());
        slot->reset();
    }
}

void RecordingGraph::tearDownAndRelease() {
    if (graph_) graph_->stop();
    tearDownFilters();
    releaseGraph();
}

void RecordingGraph::tearDownReleaseAndCreate() {
    tearDownAndRelease();
    createGraph();
}

void RecordingGraph::releaseAndCreate() {
    releaseGraph();
    createGraph();
}

int RecordingGraph::audioSourceTest() {
    platform::MessageBox& box = ctx_.platform.messageBox;
    Settings& s = ctx_.settings;
    if (!graph_) {
        box.show("Cannot query FilterGraph");
        return 0;
    }
    filters_.audio = toolkit_.AddFilterByName(*graph_, platform::kAudioCaptureCategory, s.audioSource);
    if (!filters_.audio) {
        box.show(platform::format("Cannot install audio %s filter", s.audioSource.c_str()));
        return 0;
    }
    filters_.wavDest = toolkit_.AddFilterByName(*graph_, platform::kLegacyFilterCategory, "WAV Dest");
    if (!filters_.wavDest) {
        box.show(platform::format("Cannot install %s filter", "WAV Dest"));
        return 0;
    }
    platform::Pin* in = toolkit_.FindPin(filters_.wavDest.get(), PinDirection::Input, "In");
    if (platform::failed(toolkit_.DescribePins(filters_.audio.get()))) {
        box.show(platform::format("Cannot find audio source pins (%s)", s.audioSource.c_str()));
        return 0;
    }
    if (toolkit_.outputPinNames().count() == 0) {
        box.show(platform::format("Cannot find output audio source pins (%s)", s.audioSource.c_str()));
        return 0;
    }
    s.audioOutput = toolkit_.outputPinNames().at(0);
    if (platform::failed(graph_->connectDirect(
            toolkit_.FindPin(filters_.audio.get(), PinDirection::Output, s.audioOutput), in))) {
        box.show("Cannot connect test Audio Source to WAV");
        return 0;
    }
    return store_.write() == 0 ? 0 : 1;
}

platform::ScreenFault RecordingGraph::screenFault() const {
    const auto* status = platform::query<platform::ScreenCaptureStatus>(filters_.screen);
    return status != nullptr ? status->screenFault() : platform::ScreenFault{};
}

int RecordingGraph::writeError() const {
    for (const std::shared_ptr<Filter>* writer : {&filters_.asfWriter, &filters_.mpegSink})
        if (auto* sink = platform::query<platform::FileSink>(*writer))
            if (int error = sink->writeError(); error != 0) return error;
    return 0;
}

}  // namespace talvora
