#include "ui/RecorderPlacement.h"

#include "app/DecimalText.h"

namespace talvora {

double RecorderInterfaceScale(int sizeSetting, double layoutMultiplier) {
    double s = sizeSetting / 100.0;
    if (s == 0.0) s = 1.2;
    return s * layoutMultiplier;
}

platform::Rect PlaceRecorderWindow(const std::string& position, double s, int unscaledWidth, int unscaledHeight,
                                   int screenRight, int screenBottom, int taskbarHeight) {
    const int x = parseDecimalInt(position);
    const auto comma = position.find(',');
    const int y = comma == std::string::npos ? 0 : parseDecimalInt(std::string_view(position).substr(comma + 1));
    const int width = static_cast<int>(unscaledWidth * s);
    const int height = static_cast<int>(unscaledHeight * s);
    if (x != 0 && y != 0) return {x, y, x + width, y + height};
    const int left = screenRight - unscaledWidth - static_cast<int>(150 * s);
    const int top = screenBottom - unscaledHeight - static_cast<int>(s * taskbarHeight) - static_cast<int>(100 * s);
    return {left, top, left + width, top + height};
}

}  // namespace talvora
