#include "platform/desktop/linux/PipeWireScreenStream.h"

#include <fcntl.h>
#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>
#include <libyuv/scale_argb.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/utils/result.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kParamBytes = 1024;

std::once_flag pipeWireInitialised;

bool rgbOrdered(spa_video_format format) {
    return format == SPA_VIDEO_FORMAT_RGBx || format == SPA_VIDEO_FORMAT_RGBA;
}

// The picture formats we take, all 32 bits a pixel, in any size and rate.
const spa_pod* enumFormat(spa_pod_builder& builder) {
    const spa_rectangle defaultSize{1280, 720}, minSize{1, 1}, maxSize{16384, 16384};
    const spa_fraction defaultRate{30, 1}, minRate{0, 1}, maxRate{1000, 1};
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat,                                         //
        SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),                                         //
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),                                     //
        SPA_FORMAT_VIDEO_format,                                                                        //
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,  //
                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),                           //
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),        //
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
}

}  // namespace

PipeWireScreenStream::PipeWireScreenStream(int remoteFd, std::uint32_t nodeId) : nodeId_(nodeId) {
    std::call_once(pipeWireInitialised, [] { pw_init(nullptr, nullptr); });
    loop_.reset(pw_thread_loop_new("talvora-screen", nullptr));
    if (!loop_) {
        fail(State::Failed, "cannot make a PipeWire loop");
        return;
    }
    context_.reset(pw_context_new(pw_thread_loop_get_loop(loop_.get()), nullptr, 0));
    if (!context_ || pw_thread_loop_start(loop_.get()) < 0) {
        fail(State::Failed, "cannot start PipeWire");
        return;
    }
    pw_thread_loop_lock(loop_.get());
    connect(remoteFd);
    pw_thread_loop_unlock(loop_.get());
}

PipeWireScreenStream::~PipeWireScreenStream() {
    // No callback may run while the stream and what it uses go away.
    if (loop_) pw_thread_loop_stop(loop_.get());
}

bool PipeWireScreenStream::connect(int remoteFd) {
    static constexpr pw_core_events coreEvents{
        .version = PW_VERSION_CORE_EVENTS,
        .info = &PipeWireScreenStream::onCoreInfo,
        .error = &PipeWireScreenStream::onCoreError,
    };
    static constexpr pw_registry_events registryEvents{
        .version = PW_VERSION_REGISTRY_EVENTS,
        .global_remove = &PipeWireScreenStream::onGlobalRemoved,
    };
    static constexpr pw_stream_events streamEvents{
        .version = PW_VERSION_STREAM_EVENTS,
        .state_changed = &PipeWireScreenStream::onStateChanged,
        .param_changed = &PipeWireScreenStream::onParamChanged,
        .process = &PipeWireScreenStream::onProcess,
    };
    // PipeWire closes the fd it is given with the connection.
    const int fd = remoteFd >= 0 ? fcntl(remoteFd, F_DUPFD_CLOEXEC, 3) : -1;
    if (fd < 0) {
        fail(State::Failed, "no PipeWire connection");
        return false;
    }
    core_.reset(pw_context_connect_fd(context_.get(), fd, nullptr, 0));
    if (!core_) {
        fail(State::Unreachable, std::string("cannot connect to PipeWire: ") + std::strerror(errno));
        return false;
    }
    connected_ = true;
    pw_core_add_listener(core_.get(), &coreListener_, &coreEvents, this);
    // The node's removal is how a shared stream ends from the desktop's side.
    registry_.reset(pw_core_get_registry(core_.get(), PW_VERSION_REGISTRY, 0));
    if (registry_) pw_registry_add_listener(registry_.get(), &registryListener_, &registryEvents, this);

    stream_.reset(pw_stream_new(core_.get(), "talvora-screen",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                  PW_KEY_MEDIA_ROLE, "Screen", nullptr)));
    if (!stream_) {
        fail(State::Failed, "cannot make a PipeWire stream");
        return false;
    }
    pw_stream_add_listener(stream_.get(), &streamListener_, &streamEvents, this);
    std::array<std::uint8_t, kParamBytes> buffer{};
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    const spa_pod* params[] = {enumFormat(builder)};
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS);
    const int res = pw_stream_connect(stream_.get(), PW_DIRECTION_INPUT, nodeId_, flags, params, 1);
    if (res < 0) {
        fail(State::Failed, std::string("cannot connect the stream: ") + spa_strerror(res));
        return false;
    }
    return true;
}

std::string PipeWireScreenStream::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

PipeWireScreenStream::Size PipeWireScreenStream::frameSize() const {
    std::lock_guard lock(mutex_);
    return {width_, height_};
}

std::uint64_t PipeWireScreenStream::frameNumber() const {
    std::lock_guard lock(mutex_);
    return number_;
}

bool PipeWireScreenStream::waitForFrame(std::uint64_t after, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] {
        const State state = state_;
        return number_ > after || state == State::Ended || state == State::Failed;
    });
    return number_ > after;
}

std::uint64_t PipeWireScreenStream::copy(const Rect& area, ImageView dst) const {
    std::lock_guard lock(mutex_);
    if (number_ == 0) return 0;
    copyLocked(area, dst);
    return number_;
}

std::uint64_t PipeWireScreenStream::copyScaled(const Rect& area, Size whole, ImageView dst,
                                               std::vector<std::uint8_t>& scratch) const {
    std::lock_guard lock(mutex_);
    if (number_ == 0) return 0;
    if (whole.width == width_ && whole.height == height_) {
        copyLocked(area, dst);
        return number_;
    }
    if (whole.width <= 0 || whole.height <= 0) {
        fillBlackOutside(dst, Rect{});
        return number_;
    }
    const Rect inside{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, whole.width),
                      std::min(area.bottom, whole.height)};
    const Rect keep{inside.left - area.left, inside.top - area.top, inside.right - area.left,
                    inside.bottom - area.top};
    if (keep.width() <= 0 || keep.height() <= 0) {
        fillBlackOutside(dst, Rect{});
        return number_;
    }
    // The frame's pixels under the area, widened to whole pixels.
    const auto scaled = [](int at, int frame, int wholeSide) {
        return static_cast<int>(static_cast<long long>(at) * frame / wholeSide);
    };
    const auto scaledUp = [](int at, int frame, int wholeSide) {
        return static_cast<int>((static_cast<long long>(at) * frame + wholeSide - 1) / wholeSide);
    };
    const int left = scaled(inside.left, width_, whole.width);
    const int top = scaled(inside.top, height_, whole.height);
    const int right = std::max(scaledUp(inside.right, width_, whole.width), left + 1);
    const int bottom = std::max(scaledUp(inside.bottom, height_, whole.height), top + 1);
    scratch.resize(static_cast<std::size_t>(keep.width()) * keep.height() * 4);
    const std::uint8_t* src = frame_.data() + (static_cast<std::size_t>(top) * width_ + left) * 4;
    libyuv::ARGBScale(src, width_ * 4, right - left, bottom - top, scratch.data(), keep.width() * 4, keep.width(),
                      keep.height(), libyuv::kFilterBox);
    copyBgrx(scratch.data(), keep.width() * 4, keep.width(), keep.height(), dst, keep.left, keep.top);
    fillBlackOutside(dst, keep);
    return number_;
}

void PipeWireScreenStream::copyLocked(const Rect& area, ImageView dst) const {
    const Rect inside{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width_),
                      std::min(area.bottom, height_)};
    const Rect keep{inside.left - area.left, inside.top - area.top, inside.right - area.left,
                    inside.bottom - area.top};
    if (keep.width() > 0 && keep.height() > 0) {
        const std::uint8_t* src = frame_.data() + (static_cast<std::size_t>(inside.top) * width_ + inside.left) * 4;
        copyBgrx(src, width_ * 4, inside.width(), inside.height(), dst, keep.left, keep.top);
        fillBlackOutside(dst, keep);
    } else {
        fillBlackOutside(dst, Rect{});
    }
}

std::uint64_t PipeWireScreenStream::copyFitted(ImageView dst, std::vector<std::uint8_t>& scratch) const {
    std::lock_guard lock(mutex_);
    if (number_ == 0) return 0;
    fitBgrx(frame_.data(), width_ * 4, width_, height_, dst, scratch);
    return number_;
}

void PipeWireScreenStream::fail(State state, std::string why) {
    {
        std::lock_guard lock(mutex_);
        const State now = state_;
        // The first reason stands.
        if (now == State::Ended || now == State::Failed || now == State::Unreachable) return;
        error_ = std::move(why);
        state_ = state;
    }
    changed_.notify_all();
}

void PipeWireScreenStream::failRemote(State state, std::string why) {
    // A remote that never answered leads to no PipeWire: no share ended there.
    if (connected_ && !answered_) fail(State::Unreachable, "PipeWire does not answer: " + why);
    else fail(state, std::move(why));
}

void PipeWireScreenStream::onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
    auto* self = static_cast<PipeWireScreenStream*>(data);
    switch (state) {
        case PW_STREAM_STATE_STREAMING: {
            State expected = State::Connecting;
            self->state_.compare_exchange_strong(expected, State::Streaming);
            break;
        }
        case PW_STREAM_STATE_ERROR:
            self->failRemote(State::Failed, error ? error : "stream error");
            break;
        case PW_STREAM_STATE_UNCONNECTED:
            self->failRemote(State::Ended, "the stream was disconnected");
            break;
        default:
            break;
    }
}

void PipeWireScreenStream::onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
    auto* self = static_cast<PipeWireScreenStream*>(data);
    if (id != SPA_PARAM_Format || !param) return;
    spa_video_info_raw format{};
    std::uint32_t mediaType = 0, mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video ||
        mediaSubtype != SPA_MEDIA_SUBTYPE_raw || spa_format_video_raw_parse(param, &format) < 0) {
        return;
    }
    self->format_ = format;
    // Shared memory only, and where the picture lies within each buffer.
    std::array<std::uint8_t, kParamBytes> buffer{};
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    const spa_pod* params[] = {
        static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,  //
            SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr)))),
        static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,  //
            SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),  //
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region)))),
    };
    pw_stream_update_params(self->stream_.get(), params, 2);
}

void PipeWireScreenStream::onProcess(void* data) {
    auto* self = static_cast<PipeWireScreenStream*>(data);
    // Only the newest buffer counts; older ones go straight back.
    pw_buffer* newest = nullptr;
    while (pw_buffer* next = pw_stream_dequeue_buffer(self->stream_.get())) {
        if (newest) pw_stream_queue_buffer(self->stream_.get(), newest);
        newest = next;
    }
    if (!newest) return;
    self->takeFrame(*newest->buffer);
    pw_stream_queue_buffer(self->stream_.get(), newest);
}

void PipeWireScreenStream::takeFrame(const spa_buffer& buffer) {
    if (buffer.n_datas < 1) return;
    const spa_data& data = buffer.datas[0];
    if (!data.data || !data.chunk || data.chunk->size == 0 || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED)) return;
    const int fullWidth = static_cast<int>(format_.size.width);
    const int fullHeight = static_cast<int>(format_.size.height);
    Rect picture{0, 0, fullWidth, fullHeight};
    const auto* crop = static_cast<const spa_meta_region*>(
        spa_buffer_find_meta_data(&buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
    if (crop && spa_meta_region_is_valid(crop)) {
        const spa_region& r = crop->region;
        picture = Rect{std::clamp(r.position.x, 0, fullWidth), std::clamp(r.position.y, 0, fullHeight),
                       std::clamp(r.position.x + static_cast<int>(r.size.width), 0, fullWidth),
                       std::clamp(r.position.y + static_cast<int>(r.size.height), 0, fullHeight)};
    }
    const int width = picture.width(), height = picture.height();
    const int stride = data.chunk->stride > 0 ? data.chunk->stride : fullWidth * 4;
    const std::size_t offset = data.chunk->offset % std::max<std::uint32_t>(data.maxsize, 1);
    if (width <= 0 || height <= 0 ||
        offset + static_cast<std::size_t>(picture.bottom - 1) * stride + static_cast<std::size_t>(picture.right) * 4 >
            data.maxsize) {
        return;  // a buffer that does not hold the picture its format promises
    }
    const auto* src = static_cast<const std::uint8_t*>(data.data) + offset +
                      static_cast<std::size_t>(picture.top) * stride + static_cast<std::size_t>(picture.left) * 4;
    spare_.resize(static_cast<std::size_t>(width) * height * 4);
    // libyuv's "ARGB" is B, G, R, A in memory; its "ABGR" is R, G, B, A.
    if (rgbOrdered(format_.format)) {
        libyuv::ABGRToARGB(src, stride, spare_.data(), width * 4, width, height);
    } else {
        libyuv::ARGBCopy(src, stride, spare_.data(), width * 4, width, height);
    }
    {
        std::lock_guard lock(mutex_);
        frame_.swap(spare_);
        width_ = width;
        height_ = height;
        ++number_;
    }
    changed_.notify_all();
}

void PipeWireScreenStream::onCoreInfo(void* data, const pw_core_info*) {
    static_cast<PipeWireScreenStream*>(data)->answered_ = true;
}

void PipeWireScreenStream::onCoreError(void* data, std::uint32_t id, int, int res, const char* message) {
    auto* self = static_cast<PipeWireScreenStream*>(data);
    if (id != PW_ID_CORE) return;
    self->failRemote(res == -EPIPE ? State::Ended : State::Failed,
               std::string("PipeWire: ") + (message ? message : spa_strerror(res)));
}

void PipeWireScreenStream::onGlobalRemoved(void* data, std::uint32_t id) {
    auto* self = static_cast<PipeWireScreenStream*>(data);
    if (id == self->nodeId_) self->fail(State::Ended, "the desktop ended the stream");
}

}  // namespace platform
