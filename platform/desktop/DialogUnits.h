#pragma once

namespace platform {

// Dialog templates are measured in dialog units: a quarter of the dialog
// font's average character width and an eighth of its height. The classic
// 8-point dialog font at 96 dpi has base units of 6 x 13 pixels; a dialog
// with another font passes that font's base units.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;

constexpr int dialogUnitsToPixelsX(int units, int baseUnitX = kDialogBaseUnitX) { return units * baseUnitX / 4; }
constexpr int dialogUnitsToPixelsY(int units, int baseUnitY = kDialogBaseUnitY) { return units * baseUnitY / 8; }

}  // namespace platform
