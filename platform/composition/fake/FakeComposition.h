#pragma once

#include "platform/composition/Composition.h"

namespace platform {

// Compositing as a flag that tests set; counts the calls.
class FakeComposition : public Composition {
public:
    bool isEnabled() override {
        ++queries;
        return enabled;
    }
    bool disable() override {
        ++disables;
        if (!canDisable) return false;
        disabledByUs = enabled;
        enabled = false;
        return true;
    }
    void restore() override {
        ++restores;
        if (disabledByUs) enabled = true;
        disabledByUs = false;
    }

    // A killed program's leftover: compositing off until given back.
    void giveBackLeftover() override {
        if (!leftOff) return;
        leftOff = false;
        enabled = true;
    }

    bool enabled = true;
    bool leftOff = false;
    bool canDisable = true;
    bool disabledByUs = false;
    int queries = 0;
    int disables = 0;
    int restores = 0;
};

}  // namespace platform
