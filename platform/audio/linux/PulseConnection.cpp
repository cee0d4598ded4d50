#include "platform/audio/linux/PulseConnection.h"

#include <pulse/rtclock.h>

#include "platform/audio/AudioErrors.h"

namespace platform {
namespace {

constexpr const char* kClientName = "Talvora";

struct Deadline {
    pa_threaded_mainloop* loop = nullptr;
    bool expired = false;
};

struct TimeEventFree {
    pa_mainloop_api* api = nullptr;
    void operator()(pa_time_event* event) const { api->time_free(event); }
};

void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->expired = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

void onContextState(pa_context*, void* userdata) { static_cast<PulseConnection*>(userdata)->signal(); }
void onOperationState(pa_operation*, void* userdata) { static_cast<PulseConnection*>(userdata)->signal(); }

std::string milliseconds(std::chrono::milliseconds timeout) { return std::to_string(timeout.count()) + " ms"; }

}  // namespace

HRESULT resultOfPulseError(int error) {
    switch (error) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_TIMEOUT:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_ACCESS:
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    case PA_ERR_NOENTITY:
        return E_NOTFOUND;
    case PA_ERR_NOTSUPPORTED:
        return AUDCLNT_E_UNSUPPORTED_FORMAT;
    case PA_ERR_KILLED:
        return AUDCLNT_E_DEVICE_INVALIDATED;
    default:
        return E_FAIL;
    }
}

AudioStatus PulseConnection::open(std::chrono::milliseconds timeout, std::unique_ptr<PulseConnection>& connection) {
    connection.reset();
    std::unique_ptr<PulseConnection> c(new PulseConnection);
    c->timeout_ = timeout;
    c->mainloop_.reset(pa_threaded_mainloop_new());
    if (!c->mainloop_) return {E_OUTOFMEMORY, "cannot make a main loop for the sound server"};
    c->context_.reset(pa_context_new(pa_threaded_mainloop_get_api(c->mainloop_.get()), kClientName));
    if (!c->context_) return {E_OUTOFMEMORY, "cannot make a sound server context"};
    pa_context* context = c->context_.get();
    pa_context_set_state_callback(context, onContextState, c.get());
    // No autospawn: a missing server is reported, not started behind the user's back.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        AudioStatus status = c->failure("cannot connect to the sound server");
        status.hr = AUDCLNT_E_SERVICE_NOT_RUNNING;
        return status;
    }
    if (pa_threaded_mainloop_start(c->mainloop_.get()) < 0) return {E_FAIL, "cannot start the sound server main loop"};
    {
        Lock lock(*c);
        const bool settled = c->waitUntil(
            [context] {
                const pa_context_state_t state = pa_context_get_state(context);
                return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
            },
            timeout);
        if (!settled)
            return {AUDCLNT_E_SERVICE_NOT_RUNNING, "the sound server did not answer within " + milliseconds(timeout)};
        if (pa_context_get_state(context) != PA_CONTEXT_READY) {
            AudioStatus status = c->failure("cannot connect to the sound server");
            status.hr = AUDCLNT_E_SERVICE_NOT_RUNNING;
            return status;
        }
    }
    connection = std::move(c);
    return {};
}

PulseConnection::~PulseConnection() { stop(); }

PulseConnection::Lock::Lock(PulseConnection& connection) : loop_(connection.mainloop_.get()) {
    pa_threaded_mainloop_lock(loop_);
}

PulseConnection::Lock::~Lock() { pa_threaded_mainloop_unlock(loop_); }

bool PulseConnection::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done()) return true;
    if (timeout.count() <= 0) return false;
    pa_threaded_mainloop* loop = mainloop_.get();
    Deadline deadline{loop};
    const pa_usec_t at = pa_rtclock_now() + static_cast<pa_usec_t>(timeout.count()) * PA_USEC_PER_MSEC;
    std::unique_ptr<pa_time_event, TimeEventFree> timer(
        pa_context_rttime_new(context_.get(), at, onDeadline, &deadline),
        TimeEventFree{pa_threaded_mainloop_get_api(loop)});
    if (!timer) return false;
    while (!done() && !deadline.expired) pa_threaded_mainloop_wait(loop);
    return done();
}

AudioStatus PulseConnection::finish(pa_operation* made, const std::string& what) {
    if (made == nullptr) return failure(what);
    PulseOperationPtr operation(made);
    pa_operation_set_state_callback(made, onOperationState, this);
    const bool done = waitUntil([made] { return pa_operation_get_state(made) != PA_OPERATION_RUNNING; }, timeout_);
    if (!done) {
        pa_operation_cancel(made);
        return {AUDCLNT_E_SERVICE_NOT_RUNNING,
                what + ": the sound server did not answer within " + milliseconds(timeout_)};
    }
    if (pa_operation_get_state(made) == PA_OPERATION_CANCELLED) return failure(what);
    return {};
}

AudioStatus PulseConnection::failure(const std::string& what) const {
    const int error = pa_context_errno(context_.get());
    return {resultOfPulseError(error), what + ": " + pa_strerror(error)};
}

void PulseConnection::signal() { pa_threaded_mainloop_signal(mainloop_.get(), 0); }

void PulseConnection::stop() {
    if (mainloop_) pa_threaded_mainloop_stop(mainloop_.get());
}

}  // namespace platform
