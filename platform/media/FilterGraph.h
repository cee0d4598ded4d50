#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/HResult.h"
#include "platform/media/Filter.h"
#include "platform/media/StreamClock.h"

namespace platform {

class FilterRegistry;

// A graph of named filters connected pin to pin, run, paused and stopped
// together on one stream clock. Built and controlled on the UI thread.
class FilterGraph {
public:
    explicit FilterGraph(const FilterRegistry& registry) : registry_(registry) {}
    ~FilterGraph();
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    // VFW_E_DUPLICATE_NAME when the name is taken, E_POINTER for no filter,
    // E_INVALIDARG when the filter is in a graph already.
    HRESULT addFilter(const std::shared_ptr<Filter>& filter, const std::string& name);
    // Disconnects the filter's pins and takes it out; VFW_E_NOT_FOUND when
    // it is not in this graph.
    HRESULT removeFilter(Filter* filter);
    std::shared_ptr<Filter> findFilter(const std::string& name) const;
    const std::vector<std::shared_ptr<Filter>>& filters() const { return filters_; }

    // Connects an output pin straight to an input pin; the input takes the
    // type the output offers.
    HRESULT connectDirect(Pin* output, Pin* input);
    HRESULT disconnect(Pin* pin);
    // Connects a free output pin to a free input pin of the graph that takes
    // it, else to a new renderer from the filter categories.
    HRESULT render(Pin* output);

    HRESULT run();
    HRESULT pause();
    HRESULT stop();
    FilterState state() const { return state_; }
    StreamClock& clock() { return clock_; }

private:
    HRESULT changeState(FilterState to);
    // Filters ordered from sinks to sources.
    std::vector<Filter*> sinksFirst() const;
    std::string uniqueName(const std::string& name) const;

    const FilterRegistry& registry_;
    std::vector<std::shared_ptr<Filter>> filters_;
    FilterState state_ = FilterState::Stopped;
    StreamClock clock_;
};

}  // namespace platform
