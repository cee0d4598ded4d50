#pragma once

#include <vector>

#include "platform/desktop/Display.h"

namespace platform {

// One 1920 x 1080 monitor with a 40-pixel panel at the bottom until a test
// says otherwise.
class FakeDisplay : public Display {
public:
    int screenWidth() override { return width; }
    int screenHeight() override { return height; }
    Rect desktopRect() override { return desktop; }
    Rect workArea() override { return work; }
    std::vector<Monitor> monitors() override { return monitorList; }
    int verticalDpi() override { return dpi; }
    int systemMetric(SystemMetric) override { return 4; }

    // Sets one monitor of the given size with its work area.
    void setSingle(int w, int h, int panel = 40) {
        width = w;
        height = h;
        desktop = {0, 0, w, h};
        work = {0, 0, w, h - panel};
        monitorList = {{desktop, work}};
    }

    int width = 1920;
    int height = 1080;
    Rect desktop{0, 0, 1920, 1080};
    Rect work{0, 0, 1920, 1040};
    std::vector<Monitor> monitorList{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    int dpi = 96;
};

}  // namespace platform
