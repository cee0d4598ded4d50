#include "capture/GraphToolkit.h"

#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/PropertyPages.h"

namespace talvora {

using platform::E_NOINTERFACE;
using platform::E_POINTER;
using platform::failed;
using platform::Filter;
using platform::HRESULT;
using platform::Pin;
using platform::PinDirection;
using platform::S_OK;

namespace {
// Addresses in log lines: the object's address, as the system logs pointers.
unsigned pointerText(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }
}  // namespace

HRESULT GraphToolkit::CreateFilter(const std::string& classId, std::shared_ptr<Filter>* out) {
    if (out == nullptr) return E_POINTER;
    *out = registry_.create(classId);
    if (!*out) {
        const HRESULT hr = platform::E_FAIL;
        log_.append(platform::format("CreateFilter: Failed to create filter!  hr=0x%x\n", static_cast<unsigned>(hr)));
        return hr;
    }
    return S_OK;
}

HRESULT GraphToolkit::CountTotalPins(Filter* filter, int* count) {
    if (filter == nullptr || count == nullptr) {
        log_.append("\r\nIn CountTotalPins hr = E_POINTER");
        return E_POINTER;
    }
    *count = 0;
    for (std::size_t i = 0; i < filter->pins().size(); ++i) {
        ++*count;
        log_.append(platform::format("\r\npulPins=0x%x", static_cast<unsigned>(*count)));
    }
    return S_OK;
}

HRESULT GraphToolkit::CollectInputPinNames(Filter* filter) {
    inputPinNames_.reset();
    if (filter == nullptr) {
        log_.append("\r\nERROR pFilter=0");
        return E_NOINTERFACE;
    }
    for (const auto& pin : filter->pins()) {
        if (pin->direction() == PinDirection::Input) inputPinNames_.append(pin->name());
        if (inputPinNames_.full()) break;
    }
    return S_OK;
}

HRESULT GraphToolkit::CollectOutputPinNames(Filter* filter) {
    outputPinNames_.reset();
    if (filter == nullptr) return E_NOINTERFACE;
    for (const auto& pin : filter->pins()) {
        if (pin->direction() == PinDirection::Output) outputPinNames_.append(pin->name());
        if (outputPinNames_.full()) break;
    }
    return S_OK;
}

Pin* GraphToolkit::FindPin(Filter* filter, PinDirection direction, const std::string& name) {
    if (filter == nullptr) {
        log_.append("\r\nCANNOT ENUMERATE PINS");
        return nullptr;
    }
    return filter->findPin(direction, name);
}

std::shared_ptr<Filter> GraphToolkit::findByName(const std::string& categoryId, const std::string& name,
                                                 bool first) {
    std::shared_ptr<Filter> found;
    int bound = 0;
    for (const auto& entry : registry_.entries(categoryId)) {
        if (entry.friendlyName != name || !entry.create) continue;
        auto filter = entry.create();
        if (!filter) continue;
        found = filter;
        ++bound;
        if (first || (name == "Video Renderer" && bound == 2)) break;
    }
    return found;
}

std::shared_ptr<Filter> GraphToolkit::FindFilterByName(const std::string& categoryId, const std::string& name) {
    return findByName(categoryId, name, false);
}

std::shared_ptr<Filter> GraphToolkit::FindFirstFilterByName(const std::string& categoryId, const std::string& name) {
    return findByName(categoryId, name, true);
}

HRESULT GraphToolkit::ListCategoryNames(const std::string& categoryId) {
    deviceNames_.reset();
    for (const auto& entry : registry_.entries(categoryId)) {
        if (!deviceNames_.append(entry.friendlyName)) break;
    }
    log_.append(platform::format("\r\n\r\nFilters=%d", deviceNames_.count()));
    return S_OK;
}

std::shared_ptr<Filter> GraphToolkit::addByName(platform::FilterGraph& graph, const std::string& categoryId,
                                                const std::string& name, std::shared_ptr<Filter>& kept) {
    kept.reset();
    kept = FindFilterByName(categoryId, name);
    if (!kept) {
        log_.append(platform::format("\r\nFailed to find %s filter", name.c_str()));
        return nullptr;
    }
    if (const HRESULT hr = graph.addFilter(kept, name); failed(hr))
        log_.append(
            platform::format("\r\nFailed to add %s filter to graph!  hr=0x%x", name.c_str(), static_cast<unsigned>(hr)));
    return kept;
}

std::shared_ptr<Filter> GraphToolkit::AddFilterByName(platform::FilterGraph& graph, const std::string& categoryId,
                                                      const std::string& name) {
    return addByName(graph, categoryId, name, keptRecording_);
}

std::shared_ptr<Filter> GraphToolkit::AddFilterByNameToPreview(platform::FilterGraph& graph,
                                                               const std::string& categoryId,
                                                               const std::string& name) {
    auto filter = addByName(graph, categoryId, name, keptPreview_);
    if (filter)
        log_.append(platform::format("\r\n\r\nFOUND %s. filter=0x%x", name.c_str(), pointerText(filter.get())));
    return filter;
}

int GraphToolkit::ShowPropertyPages(Filter* filter) {
    if (filter == nullptr || !propertyPages_.hasPages(*filter)) {
        log_.append("\r\nNO PROPERTY PAGE");
        hasPropertyPages_ = false;
        return 1;
    }
    log_.append("\r\nPROPERTY PAGE OK");
    hasPropertyPages_ = true;
    return propertyPages_.show(*filter);
}

HRESULT GraphToolkit::DescribePins(Filter* filter) {
    int count = 0;
    if (failed(CountTotalPins(filter, &count))) log_.append("\r\nTOTAL PINS NOT FOUND");
    CollectInputPinNames(filter);
    return CollectOutputPinNames(filter);
}

}  // namespace talvora
