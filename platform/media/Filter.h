#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/HResult.h"
#include "platform/media/MediaType.h"
#include "platform/media/Pin.h"

namespace platform {

class FilterGraph;
class StreamClock;

enum class FilterState { Stopped, Paused, Running };

// A filter of a graph: named pins, a state, and the hooks the graph calls.
// Capabilities beyond these (configuration, file sink, video window) are
// further interfaces a filter class also derives from; query<I>() finds them.
class Filter {
public:
    explicit Filter(std::string classId) : classId_(std::move(classId)) {}
    virtual ~Filter() = default;
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    const std::string& classId() const { return classId_; }
    // Name in its graph; empty while in none.
    const std::string& name() const { return name_; }
    FilterGraph* graph() const { return graph_; }
    FilterState state() const { return state_; }

    const std::vector<std::unique_ptr<Pin>>& pins() const { return pins_; }
    // Exact, case-sensitive name and the given direction; null when none.
    Pin* findPin(PinDirection direction, const std::string& name) const;

    // Connecting (UI thread, graph stopped). What an output pin delivers;
    // MajorType::None while it cannot say yet (an unconnected tee).
    virtual MediaType offeredType(const Pin& output) const;
    // Whether an input pin takes the type; VFW_E_TYPE_NOT_ACCEPTED if not.
    virtual HRESULT acceptType(Pin& input, const MediaType& type);
    virtual void onConnected(Pin& pin);
    virtual void onDisconnected(Pin& pin);

    // Streaming (the upstream filter's thread).
    virtual void receive(Pin& input, const SamplePtr& sample);
    virtual void endOfStream(Pin& input);

    // State changes (UI thread), called by the graph: sinks first when
    // starting, sources first when stopping, so nothing is lost.
    virtual HRESULT changeState(FilterState from, FilterState to, StreamClock& clock);
    // UI thread: the graph could not start, and this filter, which had
    // started, was stopped again. It undoes what the start left behind, such
    // as a file it created, so a failed start leaves nothing.
    virtual void abandonStart();

    // Name/value pairs shown on the filter's property page; none by default.
    virtual std::vector<std::pair<std::string, std::string>> properties() const;

protected:
    Pin& addPin(std::string name, PinDirection direction);

private:
    friend class FilterGraph;
    std::string classId_;
    std::string name_;
    FilterGraph* graph_ = nullptr;
    std::atomic<FilterState> state_{FilterState::Stopped};
    std::vector<std::unique_ptr<Pin>> pins_;
};

// The filter's interface I, or null when it has none (QueryInterface).
template <class I>
I* query(Filter* filter) {
    return dynamic_cast<I*>(filter);
}
template <class I>
I* query(const std::shared_ptr<Filter>& filter) {
    return dynamic_cast<I*>(filter.get());
}

}  // namespace platform
