#include "platform/media/FilterGraph.h"

#include <algorithm>
#include <set>

#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"

namespace platform {

FilterGraph::~FilterGraph() {
    stop();
    while (!filters_.empty()) removeFilter(filters_.back().get());
}

HRESULT FilterGraph::addFilter(const std::shared_ptr<Filter>& filter, const std::string& name) {
    if (!filter) return E_POINTER;
    if (filter->graph_ != nullptr) return E_INVALIDARG;
    if (findFilter(name)) return VFW_E_DUPLICATE_NAME;
    filter->name_ = name;
    filter->graph_ = this;
    filters_.push_back(filter);
    return S_OK;
}

HRESULT FilterGraph::removeFilter(Filter* filter) {
    auto it = std::find_if(filters_.begin(), filters_.end(), [&](const auto& f) { return f.get() == filter; });
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    if (filter->state_ != FilterState::Stopped) filter->changeState(filter->state_, FilterState::Stopped, clock_);
    filter->state_ = FilterState::Stopped;
    for (const auto& pin : filter->pins()) disconnect(pin.get());
    filter->graph_ = nullptr;
    filter->name_.clear();
    filters_.erase(it);
    return S_OK;
}

std::shared_ptr<Filter> FilterGraph::findFilter(const std::string& name) const {
    for (const auto& f : filters_)
        if (f->name() == name) return f;
    return nullptr;
}

HRESULT FilterGraph::connectDirect(Pin* output, Pin* input) {
    if (output == nullptr || input == nullptr) return E_POINTER;
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    if (output->direction() != PinDirection::Output || input->direction() != PinDirection::Input)
        return E_INVALIDARG;
    if (output->filter().graph_ != this || input->filter().graph_ != this) return VFW_E_NOT_FOUND;
    if (output->isConnected() || input->isConnected()) return VFW_E_ALREADY_CONNECTED;
    const MediaType type = output->filter().offeredType(*output);
    if (type.major == MajorType::None) return VFW_E_CANNOT_CONNECT;
    if (const HRESULT hr = input->filter().acceptType(*input, type); failed(hr)) return hr;
    output->peer_ = input;
    input->peer_ = output;
    output->type_ = type;
    input->type_ = type;
    output->filter().onConnected(*output);
    input->filter().onConnected(*input);
    return S_OK;
}

HRESULT FilterGraph::disconnect(Pin* pin) {
    if (pin == nullptr) return E_POINTER;
    Pin* peer = pin->peer_;
    if (peer == nullptr) return S_FALSE;
    pin->peer_ = nullptr;
    peer->peer_ = nullptr;
    pin->type_ = {};
    peer->type_ = {};
    pin->filter().onDisconnected(*pin);
    peer->filter().onDisconnected(*peer);
    return S_OK;
}

HRESULT FilterGraph::render(Pin* output) {
    if (output == nullptr) return E_POINTER;
    if (output->direction() != PinDirection::Output) return E_INVALIDARG;
    if (output->isConnected()) return VFW_E_ALREADY_CONNECTED;
    // Filters already in the graph come first, as the system's render does.
    for (const auto& f : filters_) {
        if (f.get() == &output->filter()) continue;
        for (const auto& pin : f->pins()) {
            if (pin->direction() != PinDirection::Input || pin->isConnected()) continue;
            if (succeeded(connectDirect(output, pin.get()))) return S_OK;
        }
    }
    const MediaType type = output->filter().offeredType(*output);
    const char* rendererName = type.major == MajorType::Audio ? "Default DirectSound Device" : "Video Renderer";
    for (const auto& entry : registry_.entries(kLegacyFilterCategory)) {
        if (entry.friendlyName != rendererName || !entry.create) continue;
        auto renderer = entry.create();
        if (!renderer || failed(addFilter(renderer, uniqueName(rendererName)))) continue;
        for (const auto& pin : renderer->pins()) {
            if (pin->direction() == PinDirection::Input && succeeded(connectDirect(output, pin.get()))) return S_OK;
        }
        removeFilter(renderer.get());
    }
    return VFW_E_CANNOT_RENDER;
}

std::string FilterGraph::uniqueName(const std::string& name) const {
    if (!findFilter(name)) return name;
    for (int i = 1;; ++i) {
        std::string number = std::to_string(i);
        const std::string candidate = name + " " + std::string(number.size() < 4 ? 4 - number.size() : 0, '0') + number;
        if (!findFilter(candidate)) return candidate;
    }
}

std::vector<Filter*> FilterGraph::sinksFirst() const {
    // Repeatedly take the filters whose outputs all lead to filters taken
    // already; what is left (a loop, which a graph never has) goes last.
    std::vector<Filter*> order;
    std::set<const Filter*> taken;
    while (order.size() < filters_.size()) {
        bool progress = false;
        for (const auto& f : filters_) {
            if (taken.count(f.get()) != 0) continue;
            const bool ready = std::all_of(f->pins().begin(), f->pins().end(), [&](const auto& pin) {
                return pin->direction() == PinDirection::Input || !pin->isConnected() ||
                       taken.count(&pin->peer()->filter()) != 0;
            });
            if (ready) {
                order.push_back(f.get());
                taken.insert(f.get());
                progress = true;
            }
        }
        if (!progress) {
            for (const auto& f : filters_)
                if (taken.insert(f.get()).second) order.push_back(f.get());
        }
    }
    return order;
}

HRESULT FilterGraph::changeState(FilterState to) {
    if (state_ == to) return S_OK;
    const FilterState from = state_;
    // Stream time starts at 0 on leaving Stopped and runs only while Running.
    if (from == FilterState::Stopped) {
        clock_.start();
        clock_.pause();
    }
    if (to == FilterState::Running) clock_.resume();
    else clock_.pause();

    std::vector<Filter*> order = sinksFirst();
    if (to == FilterState::Stopped) std::reverse(order.begin(), order.end());
    HRESULT result = S_OK;
    std::vector<Filter*> changed;
    for (Filter* f : order) {
        const HRESULT hr = f->changeState(f->state_, to, clock_);
        if (failed(hr) && to != FilterState::Stopped) {
            result = hr;
            break;
        }
        f->state_ = to;
        changed.push_back(f);
    }
    if (failed(result)) {
        // Put back what had changed, sources first.
        for (auto it = changed.rbegin(); it != changed.rend(); ++it) {
            (*it)->changeState(to, FilterState::Stopped, clock_);
            (*it)->state_ = FilterState::Stopped;
            if (from == FilterState::Stopped) (*it)->abandonStart();
        }
        clock_.stop();
        state_ = FilterState::Stopped;
        return result;
    }
    if (to == FilterState::Stopped) clock_.stop();
    state_ = to;
    return S_OK;
}

HRESULT FilterGraph::run() { return changeState(FilterState::Running); }
HRESULT FilterGraph::pause() { return changeState(FilterState::Paused); }
HRESULT FilterGraph::stop() { return changeState(FilterState::Stopped); }

}  // namespace platform
