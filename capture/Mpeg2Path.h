#pragma once

#include <array>
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
    // Given by the recording graph before addFilters(): the screen-capture
    // set-up values of this recording and whether the local side is muted.
    virtual void prepare(const std::array<int, 16>& screenValues, bool muted) = 0;
    virtual bool addFilters(platform::FilterGraph& graph, RecordingFilters& filters,
                            const std::string& outputPath) = 0;
    virtual bool connect(platform::FilterGraph& graph, RecordingFilters& filters) = 0;
};

}  // namespace talvora
