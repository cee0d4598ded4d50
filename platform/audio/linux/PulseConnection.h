#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/AudioSystem.h"
#include "platform/audio/linux/PulseHandles.h"

namespace platform {

// One connection to the sound server with the thread that runs its main
// loop. Calls on its objects are made with a Lock held; callbacks run on the
// loop's thread, which holds the lock while it dispatches them. Every wait
// ends at a deadline, so a server that does not answer gives an error.
class PulseConnection {
public:
    // Connects within `timeout`; a missing, refusing or silent server gives
    // AUDCLNT_E_SERVICE_NOT_RUNNING and no connection. Any thread.
    static AudioStatus open(std::chrono::milliseconds timeout, std::unique_ptr<PulseConnection>& connection);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    class Lock {
    public:
        explicit Lock(PulseConnection& connection);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    pa_context* context() const { return context_.get(); }
    std::chrono::milliseconds timeout() const { return timeout_; }

    // Lock held. Waits until `done` holds or `timeout` passes; true if done.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Lock held. Waits for the operation (null: the call that made it
    // failed); on time-out it is cancelled so its callback never runs late.
    AudioStatus finish(pa_operation* operation, const std::string& what);
    // The context's last error, in the server's words, after `what`.
    AudioStatus failure(const std::string& what) const;
    // Wakes whoever waits in waitUntil; for the owners' callbacks.
    void signal();

    // Ends the loop's thread (lock not held). Owners call it before they
    // release the objects they made on this connection.
    void stop();

private:
    PulseConnection() = default;

    PulseMainloopPtr mainloop_;
    PulseContextPtr context_;
    std::chrono::milliseconds timeout_{0};
};

// The result code for an error number of the sound server.
HRESULT resultOfPulseError(int error);

}  // namespace platform
