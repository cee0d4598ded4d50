#pragma once

#include <memory>
#include <string>

#include "capture/NameList.h"
#include "platform/core/HResult.h"
#include "platform/media/Filter.h"

namespace platform {
class DiagnosticLog;
class FilterGraph;
class FilterRegistry;
class PropertyPages;
}  // namespace platform

namespace talvora {

// The operations every graph builder of the recorder uses: creating filters
// by class id, finding them by friendly name in a category, pins by exact
// name, the three name lists, property pages. Problems become log lines and
// empty results, never message boxes. UI thread.
class GraphToolkit {
public:
    GraphToolkit(const platform::FilterRegistry& registry, platform::DiagnosticLog& log,
                 platform::PropertyPages& propertyPages)
        : registry_(registry), log_(log), propertyPages_(propertyPages) {}

    platform::HRESULT CreateFilter(const std::string& classId, std::shared_ptr<platform::Filter>* out);
    platform::HRESULT CountTotalPins(platform::Filter* filter, int* count);
    platform::HRESULT CollectInputPinNames(platform::Filter* filter);
    platform::HRESULT CollectOutputPinNames(platform::Filter* filter);
    platform::Pin* FindPin(platform::Filter* filter, platform::PinDirection direction, const std::string& name);
    // When several entries share the name the last one bound wins, except for
    // "Video Renderer", where the second one is taken.
    std::shared_ptr<platform::Filter> FindFilterByName(const std::string& categoryId, const std::string& name);
    std::shared_ptr<platform::Filter> FindFirstFilterByName(const std::string& categoryId, const std::string& name);
    platform::HRESULT ListCategoryNames(const std::string& categoryId);
    // Finds the named filter and adds it to the graph under its friendly
    // name; the recording and preview variants keep their own last filter.
    std::shared_ptr<platform::Filter> AddFilterByName(platform::FilterGraph& graph, const std::string& categoryId,
                                                      const std::string& name);
    std::shared_ptr<platform::Filter> AddFilterByNameToPreview(platform::FilterGraph& graph,
                                                               const std::string& categoryId, const std::string& name);
    int ShowPropertyPages(platform::Filter* filter);
    platform::HRESULT DescribePins(platform::Filter* filter);

    NameList& deviceNames() { return deviceNames_; }
    NameList& inputPinNames() { return inputPinNames_; }
    NameList& outputPinNames() { return outputPinNames_; }
    bool hasPropertyPages() const { return hasPropertyPages_; }

private:
    std::shared_ptr<platform::Filter> findByName(const std::string& categoryId, const std::string& name, bool first);
    std::shared_ptr<platform::Filter> addByName(platform::FilterGraph& graph, const std::string& categoryId,
                                                const std::string& name, std::shared_ptr<platform::Filter>& kept);

    const platform::FilterRegistry& registry_;
    platform::DiagnosticLog& log_;
    platform::PropertyPages& propertyPages_;
    NameList deviceNames_;
    NameList inputPinNames_;
    NameList outputPinNames_;
    bool hasPropertyPages_ = false;
    std::shared_ptr<platform::Filter> keptRecording_;
    std::shared_ptr<platform::Filter> keptPreview_;
};

}  // namespace talvora
