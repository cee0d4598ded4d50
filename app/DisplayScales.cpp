#include "app/DisplayScales.h"

namespace talvora {

DisplayScales DisplayScales::compute(int desktopWidth, int w1, int sizeSetting, int secondMonitorWidth, int w2) {
    DisplayScales s;
    s.mainScale = w1 != 0 ? static_cast<int>(static_cast<long long>(desktopWidth) * 100 / w1) : sizeSetting;
    s.secondScale = w2 != 0 ? secondMonitorWidth * 100.0 / w2 : 100.0;
    s.layoutMultiplier = 1.0;
    return s;
}

}  // namespace talvora
