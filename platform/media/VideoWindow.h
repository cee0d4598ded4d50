#pragma once

#include "platform/core/HResult.h"
#include "platform/desktop/Windows.h"

namespace platform {

// The window a renderer draws into: a child of an owner window of this
// process, placed and shown by the caller. UI thread.
class VideoWindow {
public:
    virtual ~VideoWindow() = default;
    // 0 releases the owner; the renderer then draws nowhere.
    virtual HRESULT setOwner(WindowId owner) = 0;
    virtual HRESULT setAutoShow(bool on) = 0;
    virtual HRESULT setVisible(bool visible) = 0;
    // In the owner's client coordinates.
    virtual HRESULT setWindowPosition(int left, int top, int width, int height) = 0;
    virtual HRESULT setForeground() = 0;
};

}  // namespace platform
