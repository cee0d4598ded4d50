#pragma once

namespace talvora {

// Scales of the displays against their physical widths, for the layouts of
// the recorder window and the settings dialogs.
struct DisplayScales {
    int mainScale = 100;         // percent
    double secondScale = 100.0;  // percent
    double layoutMultiplier = 1.0;

    // desktopWidth: primary screen in logical pixels; w1/w2: physical widths
    // from the launcher (0 = not given); sizeSetting: the `Size` setting.
    static DisplayScales compute(int desktopWidth, int w1, int sizeSetting, int secondMonitorWidth, int w2);
};

}  // namespace talvora
