#include "platform/desktop/linux/X11ScreenSource.h"

#include "platform/desktop/linux/X11ScreenReader.h"

namespace platform {

void X11ScreenSource::prepare(std::function<void()> done) {
    if (done) done();
}

std::unique_ptr<ScreenReader> X11ScreenSource::openReader() { return std::make_unique<X11ScreenReader>(); }

}  // namespace platform
