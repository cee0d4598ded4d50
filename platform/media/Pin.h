#pragma once

#include <string>

#include "platform/media/MediaType.h"

namespace platform {

class Filter;

enum class PinDirection { Input = 0, Output = 1 };

// A named connection point of a filter. Connections are made and broken by
// the graph on the UI thread while it is stopped; samples flow from an output
// pin to its peer on the delivering filter's thread.
class Pin {
public:
    Pin(Filter& owner, std::string name, PinDirection direction)
        : owner_(owner), name_(std::move(name)), direction_(direction) {}
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    const std::string& name() const { return name_; }
    PinDirection direction() const { return direction_; }
    Filter& filter() const { return owner_; }
    Pin* peer() const { return peer_; }
    bool isConnected() const { return peer_ != nullptr; }
    const MediaType& mediaType() const { return type_; }

    // Output pins: hand a sample, or the end of the stream, to the peer.
    void deliver(const SamplePtr& sample) const;
    void deliverEndOfStream() const;

private:
    friend class FilterGraph;
    Filter& owner_;
    std::string name_;
    PinDirection direction_;
    Pin* peer_ = nullptr;
    MediaType type_;
};

}  // namespace platform
