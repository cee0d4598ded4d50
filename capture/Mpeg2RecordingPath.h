#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "capture/GraphToolkit.h"
#include "capture/Mpeg2Path.h"
#include "platform/media/Filter.h"

namespace talvora {

// The MPEG-2 recording path: the screen capture feeds a tee and the MPEG-2
// video encoder, the audio capture the Layer II encoder, both go into the
// multiplexer, and the sink writes the file. The filters are found by name
// in the legacy filter category and configured through their module
// configuration. Every message is shown here. UI thread.
class Mpeg2RecordingPath : public Mpeg2Path {
public:
    Mpeg2RecordingPath(AppContext& ctx, GraphToolkit& toolkit) : ctx_(ctx), toolkit_(toolkit) {}

    void prepare(const std::array<int, 16>& screenValues, bool muted) override;
    bool addFilters(platform::FilterGraph& graph, RecordingFilters& filters, const std::string& outputPath) override;
    bool connect(platform::FilterGraph& graph, RecordingFilters& filters) override;

    // Each true when the filter has the module configuration and took every
    // value; a filter takes none of them otherwise.
    bool configureSink(platform::Filter* sink);
    bool configureMultiplexer(platform::Filter* multiplexer);
    bool configureVideoEncoder(platform::Filter* encoder);
    bool configureAudioEncoder(platform::Filter* encoder);

    // B: `Video Bitrate` in bits per second, doubled for `Protocol` 8.
    static std::int64_t videoBitRate(const Settings& settings);
    // The Layer II bit-rate index of an `Audio Bitrate` the settings offer;
    // none for any other.
    static std::optional<int> layer2Index(int audioBitrate);

private:
    // Adds the filter of that name to `slot`; a missing one shows "Cannot
    // install %s filter" with `shownName`.
    bool install(platform::FilterGraph& graph, std::shared_ptr<platform::Filter>& slot, const char* name,
                 const char* shownName);
    bool addMultiplexer(platform::FilterGraph& graph, RecordingFilters& filters);
    bool addSink(platform::FilterGraph& graph, RecordingFilters& filters, const std::string& outputPath);

    AppContext& ctx_;
    GraphToolkit& toolkit_;
    std::array<int, 16> screenValues_{};
    bool muted_ = false;
};

}  // namespace talvora
