#include "PipeWireVideoSource.h"

#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <array>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

namespace talvora::test {

namespace {

constexpr std::size_t kParamBytes = 1024;
constexpr long kFrame_ns = 33'000'000;

std::once_flag pipeWireInitialised;

// The one format the node offers: BGRx of exactly this size.
const spa_pod* fixedFormat(spa_pod_builder& builder, int width, int height) {
    const spa_rectangle size{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    const spa_fraction rate{30, 1};
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat,      //
        SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),      //
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),  //
        SPA_FORMAT_VIDEO_format, SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx),  //
        SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),             //
        SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
}

}  // namespace

PipeWireVideoSource::PipeWireVideoSource(int width, int height, std::uint32_t bgrx) : colour_(bgrx) {
    static constexpr pw_stream_events events{
        .version = PW_VERSION_STREAM_EVENTS,
        .state_changed = &PipeWireVideoSource::onStateChanged,
        .param_changed = &PipeWireVideoSource::onParamChanged,
        .process = &PipeWireVideoSource::onProcess,
    };
    std::call_once(pipeWireInitialised, [] { pw_init(nullptr, nullptr); });
    loop_.reset(pw_thread_loop_new("test-video-source", nullptr));
    if (!loop_) return;
    askedWidth_ = width;
    askedHeight_ = height;
    pw_loop* loop = pw_thread_loop_get_loop(loop_.get());
    // The session's own PipeWire, where the desktop's shared streams are.
    stream_.reset(pw_stream_new_simple(loop, "test-window",
                                       pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr), &events,
                                       this));
    timer_ = pw_loop_add_timer(loop, &PipeWireVideoSource::onTimer, this);
    if (stream_) {
        std::array<std::uint8_t, kParamBytes> buffer{};
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        const spa_pod* params[] = {fixedFormat(builder, width, height)};
        // The node drives its graph, with frames on its own timer.
        pw_stream_connect(stream_.get(), PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), params, 1);
    }
    pw_thread_loop_start(loop_.get());
}

PipeWireVideoSource::~PipeWireVideoSource() {
    if (!loop_) return;
    pw_thread_loop_stop(loop_.get());
    // Its last callbacks still see the stream: reset() would hide it first.
    if (stream_) pw_stream_disconnect(stream_.get());
    stream_.reset();
    if (timer_) pw_loop_destroy_source(pw_thread_loop_get_loop(loop_.get()), timer_);
}

std::uint32_t PipeWireVideoSource::waitForNode(std::chrono::milliseconds timeout) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (node_ == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return node_;
}

void PipeWireVideoSource::resize(int width, int height) {
    if (!stream_) return;
    pw_thread_loop_lock(loop_.get());
    askedWidth_ = width;
    askedHeight_ = height;
    framesAtAskedSize_ = 0;
    std::array<std::uint8_t, kParamBytes> buffer{};
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    const spa_pod* params[] = {fixedFormat(builder, width, height)};
    pw_stream_update_params(stream_.get(), params, 1);
    pw_thread_loop_unlock(loop_.get());
}

void PipeWireVideoSource::onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char*) {
    auto* self = static_cast<PipeWireVideoSource*>(data);
    pw_loop* loop = pw_thread_loop_get_loop(self->loop_.get());
    if (state == PW_STREAM_STATE_PAUSED) self->node_ = pw_stream_get_node_id(self->stream_.get());
    if (state == PW_STREAM_STATE_STREAMING) {
        timespec first{0, 1};
        timespec interval{0, kFrame_ns};
        pw_loop_update_timer(loop, self->timer_, &first, &interval, false);
    } else {
        pw_loop_update_timer(loop, self->timer_, nullptr, nullptr, false);
    }
}

void PipeWireVideoSource::onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
    auto* self = static_cast<PipeWireVideoSource*>(data);
    if (id != SPA_PARAM_Format || !param || spa_format_video_raw_parse(param, &self->format_) < 0) return;
    const int stride = static_cast<int>(self->format_.size.width) * 4;
    const int size = stride * static_cast<int>(self->format_.size.height);
    // Shared memory, which the consumer in another process can map.
    std::array<std::uint8_t, kParamBytes> buffer{};
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,      //
        SPA_PARAM_BUFFERS_buffers, SPA_POD_CHOICE_RANGE_Int(4, 2, 16),  //
        SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),                       //
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(size),                      //
        SPA_PARAM_BUFFERS_stride, SPA_POD_Int(stride),                  //
        SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
    pw_stream_update_params(self->stream_.get(), params, 1);
}

void PipeWireVideoSource::onTimer(void* data, std::uint64_t) {
    pw_stream_trigger_process(static_cast<PipeWireVideoSource*>(data)->stream_.get());
}

void PipeWireVideoSource::onProcess(void* data) {
    auto* self = static_cast<PipeWireVideoSource*>(data);
    pw_buffer* b = pw_stream_dequeue_buffer(self->stream_.get());
    if (!b) return;
    spa_data& d = b->buffer->datas[0];
    const int width = static_cast<int>(self->format_.size.width);
    const int height = static_cast<int>(self->format_.size.height);
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    if (d.data && d.maxsize >= bytes) {
        auto* pixels = static_cast<std::uint8_t*>(d.data);
        for (std::size_t i = 0; i < bytes; i += 4) std::memcpy(pixels + i, &self->colour_, 4);
        d.chunk->offset = 0;
        d.chunk->size = static_cast<std::uint32_t>(bytes);
        d.chunk->stride = width * 4;
        if (width == self->askedWidth_ && height == self->askedHeight_) ++self->framesAtAskedSize_;
    }
    pw_stream_queue_buffer(self->stream_.get(), b);
}

}  // namespace talvora::test
