#pragma once

#include <string>

#include "app/AppContext.h"

namespace talvora {

// Plays a finished recording for "Play recorded file ": with the desktop's
// opener on systems that need no workaround, otherwise with the media
// player found at the recorder window's first tick, then the system's own
// player ("wmplayer"), and at last by opening the recordings folder.
void PlayRecording(AppContext& ctx, const std::string& file);

}  // namespace talvora
