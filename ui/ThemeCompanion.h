#pragma once

namespace talvora {

struct AppContext;
class SettingsStore;

// The recorder's side of the composition companion `themeflip`, which keeps
// compositing off for as long as the recorder's frame "Talvora" lives.

// Starts the companion, on Windows 7 only (elsewhere: success, nothing done).
// A companion already running ("Glassoff") is asked to close first, and its
// window's end is awaited for at most two seconds, pumping messages. When the
// start fails, `Basic` is switched off and saved, so the offer is not made
// again, and the user is told. UI thread.
bool StartThemeCompanion(AppContext& ctx, SettingsStore& store);

// The one-time initialisation's theme step: starts the companion when
// `Basic` is set, or on Windows 7 with `Basic` and `Install` off tells the
// user, starts it and sets both. UI thread.
void ThemeStartupStep(AppContext& ctx, SettingsStore& store);

// The command that restores the saved theme; no menu carries it.
constexpr int kRestoreThemeCommand = 33005;

// Command 33005: applies the theme file named on the first line of
// ".\SavedTheme.txt". UI thread.
void RestoreSavedTheme(AppContext& ctx, SettingsStore& store);

}  // namespace talvora
