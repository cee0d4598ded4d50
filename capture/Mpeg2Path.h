#pragma once

#include <memory>
#include <string>

namespace platform {
class Filter;
class FilterGraph;
}  // namespace platform

namespace talvora {

struct RecordingFilters;

// The MPEG-2 recording path: its filters and connections in place of the
// Windows Media ones. Both steps show their own messages and return false
// on failure.
class Mpeg2Path {
public:
    virtual ~Mpeg2Path() = default;
    virtual bool addFilters(platform::FilterGraph& graph, RecordingFilters& filters,
                            const std::string& outputPath) = 0;
    virtual bool connect(platform::FilterGraph& graph, RecordingFilters& filters) = 0;
};

}  // namespace talvora
