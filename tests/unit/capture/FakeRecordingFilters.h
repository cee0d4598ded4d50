#pragma once

// Filters and a recorder-window stand-in for tests of the recording graph:
// they take part in the graph like the real ones but capture and write nothing.
#include <array>
#include <string>
#include <vector>

#include "capture/RecordingHost.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/AudioCaptureConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/Filter.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"
#include "platform/media/ScreenCaptureConfig.h"
#include "platform/media/ScreenCaptureStatus.h"

namespace talvora::test {

using platform::Filter;
using platform::MediaType;
using platform::PinDirection;

class FakeScreen : public Filter, public platform::ScreenCaptureConfig, public platform::ScreenCaptureStatus {
public:
    FakeScreen() : Filter(platform::kScreenCaptureClassId) { addPin("Output", PinDirection::Output); }
    platform::HRESULT configure(const std::array<int, 16>& v) override {
        values = v;
        return platform::S_OK;
    }
    MediaType offeredType(const platform::Pin&) const override { return MediaType::ofVideo({8, 8, 32, 15}); }
    platform::ScreenFault screenFault() const override { return fault; }
    std::array<int, 16> values{};
    platform::ScreenFault fault;
};

class FakeAudio : public Filter, public platform::AudioCaptureConfig {
public:
    explicit FakeAudio(std::vector<platform::AudioCaptureSetup>& log)
        : Filter(platform::kAudioCaptureClassId), log_(log) {
        addPin("Out", PinDirection::Output);
    }
    platform::HRESULT configure(const platform::AudioCaptureSetup& setup) override {
        log_.push_back(setup);
        return platform::S_OK;
    }
    MediaType offeredType(const platform::Pin&) const override { return MediaType::ofAudio({}); }

private:
    std::vector<platform::AudioCaptureSetup>& log_;
};

class FakeWriter : public Filter, public platform::FileSink, public platform::AsfWriterConfig {
public:
    FakeWriter() : Filter(platform::kAsfWriterClassId) {}
    platform::HRESULT setFileName(const std::string& path) override {
        file = path;
        return platform::S_OK;
    }
    std::string fileName() const override { return file; }
    int writeError() const override { return error; }
    platform::HRESULT configureFilterUsingProfile(const platform::WmProfile* profile) override {
        if (profile == nullptr) return platform::E_POINTER;
        if (profile->video) addPin("Video Input 01", PinDirection::Input);
        if (profile->audio) addPin("Audio Input 01", PinDirection::Input);
        return platform::S_OK;
    }
    platform::HRESULT acceptType(platform::Pin& in, const MediaType& type) override {
        const bool wantsVideo = in.name() == "Video Input 01";
        return (type.major == platform::MajorType::Video) == wantsVideo ? platform::S_OK
                                                                         : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }
    std::string file;
    int error = 0;
};

class PassTee : public Filter {
public:
    PassTee() : Filter("{tee}") {
        addPin("Input", PinDirection::Input);
        addPin("Output1", PinDirection::Output);
        addPin("Output2", PinDirection::Output);
    }
    MediaType offeredType(const platform::Pin&) const override {
        return findPin(PinDirection::Input, "Input")->mediaType();
    }
};

class Renderer : public Filter {
public:
    Renderer() : Filter("{renderer}") { addPin("Input", PinDirection::Input); }
};

struct FakeHost : RecordingHost {
    platform::WindowId recorderWindow() override { return 0; }
    void restartPreview() override { ++previewRestarts; }
    bool startMinimised() override { return false; }
    int pauseState() override { return 0; }
    void minimiseRecorder() override {}
    void setPlayPauseCaption(const std::string& text) override { playCaption = text; }
    void setRecordCaption(const std::string& text) override { recordCaption = text; }
    void refreshLayeredStyle() override {}
    bool createClonePanel() override { return true; }
    void destroyClonePanel() override {}
    ClientLayout clientLayout() override { return {}; }
    void closeProgram() override { ++closes; }
    void clearRecordingFlag() override { ++flagClears; }

    int previewRestarts = 0;
    int closes = 0;
    int flagClears = 0;
    std::string playCaption;
    std::string recordCaption;
};

// Registers the fakes under the real class ids and names.
inline void registerFakeRecordingFilters(platform::FilterRegistry& registry,
                                         std::vector<std::shared_ptr<FakeScreen>>& screens,
                                         std::vector<platform::AudioCaptureSetup>& audioSetups) {
    registry.registerClass(platform::kScreenCaptureClassId, [&screens] {
        auto f = std::make_shared<FakeScreen>();
        screens.push_back(f);
        return f;
    });
    registry.registerClass(platform::kAudioCaptureClassId,
                           [&audioSetups] { return std::make_shared<FakeAudio>(audioSetups); });
    registry.registerClass(platform::kAsfWriterClassId, [] { return std::make_shared<FakeWriter>(); });
    registry.addEntry(platform::kLegacyFilterCategory,
                      {"Infinte Pin Tee Filter", "{tee}", [] { return std::make_shared<PassTee>(); }});
    registry.addEntry(platform::kLegacyFilterCategory,
                      {"Video Renderer", "{renderer}", [] { return std::make_shared<Renderer>(); }});
}

}  // namespace talvora::test
