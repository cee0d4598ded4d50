#pragma once

#include <pulse/pulseaudio.h>

#include <memory>

// Owners of the sound server's C objects. Objects made on a connection are
// released only once its main loop has stopped (or under its lock), and
// their callbacks are detached first so nothing calls into a dead owner.
namespace platform {

struct PulseMainloopFree {
    void operator()(pa_threaded_mainloop* loop) const {
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }
};

struct PulseContextRelease {
    void operator()(pa_context* context) const {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

struct PulseStreamRelease {
    void operator()(pa_stream* stream) const {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
};

struct PulseOperationRelease {
    void operator()(pa_operation* operation) const {
        pa_operation_set_state_callback(operation, nullptr, nullptr);
        pa_operation_unref(operation);
    }
};

using PulseMainloopPtr = std::unique_ptr<pa_threaded_mainloop, PulseMainloopFree>;
using PulseContextPtr = std::unique_ptr<pa_context, PulseContextRelease>;
using PulseStreamPtr = std::unique_ptr<pa_stream, PulseStreamRelease>;
using PulseOperationPtr = std::unique_ptr<pa_operation, PulseOperationRelease>;

}  // namespace platform
