#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/Settings.h"

namespace talvora {

// Fixed texts of the settings file. The header, the asterisk lines and the
// notice are written but never read.
inline constexpr std::string_view kSettingsHeader = "Talvora Settings -- Do not delete or alter";
inline constexpr std::string_view kSettingsNotice = "Copyright Corvane Telmark. All rights reserved.";
inline constexpr std::size_t kSettingsAsteriskCount = 53;
inline constexpr std::size_t kSettingsDataLineCount = 52;

// The reader takes at most this many characters at once, as fgets with a
// 20,000-character buffer does; the rest of a longer line is the next piece.
inline constexpr std::size_t kSettingsMaxLineChars = 19999;

// The whole settings file for `settings`: the header, 53 asterisks, the 52
// "Key: value" lines in the record's order ("%d" integers, "%.2f" frame rate,
// "%s" texts written as they are, less any CR and LF), an empty line, 53 asterisks and the
// notice. Every line ends with CR LF except the notice, which has no line end.
// Pure and locale-independent: the same record always gives the same bytes.
// A frame rate that is not finite is written as "inf", "-inf", "nan" or
// "-nan", as "%.2f" prints it; a huge one with all its digits.
std::string formatSettingsFile(const Settings& settings);

// Loads settings text (the bytes of a settings file) into `settings` by the
// reader's rules:
// - The bytes are read as a text-mode stream: CR LF becomes LF; a lone CR stays
//   (a Ctrl-Z byte is an ordinary character, not the end of the text).
// - Lines are taken in pieces of at most kSettingsMaxLineChars characters. A
//   piece without a line end is skipped, so the notice line, the remainder of
//   an over-long line and a last data line without a line end are all lost.
//   A piece is a C string: it ends at its first NUL byte, so a NUL before the
//   line end also makes the piece one without a line end.
// - The first key of the matching list ("Position: " first, "ProcVolume: "
//   last) that occurs anywhere in the line, case-sensitive, takes the line;
//   its value is the rest of the line after that occurrence. "Minimize: " is
//   in no list, and both "AutoMark: " lines go to `autoMark`.
// - Integers as atoi reads them (leading white space, optional sign, digits up
//   to the first non-digit, no digits = 0); values beyond the 32-bit range are
//   clamped to INT_MIN / INT_MAX, as the Windows run-time's atoi does.
// - Frame Rate as atof reads it in the "C" locale (decimal point, exponents,
//   hexadecimal, "inf", "nan"), then stored as a float: values beyond the
//   float range become +/-infinity, tiny ones 0.
// - Texts are copied whole, cut to their field's capacity minus one byte; a
//   cut never splits a UTF-8 sequence.
// Absent keys keep the field's previous value; a repeated key's last line wins.
// Nothing is normalised here (see SettingsStore::read). Pure.
void parseSettingsText(std::string_view text, Settings& settings);

// Upper-cases the ASCII letters of the three hotkey texts in place.
void upperCaseHotkeys(Settings& settings);

// Stores `text` in a text field of `capacity` bytes, terminator included: at
// most capacity - 1 bytes, cut back to the start of a UTF-8 sequence when the
// cut would split one.
void assignText(std::string& field, std::string_view text, std::size_t capacity);

}  // namespace talvora
