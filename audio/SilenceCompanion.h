#pragma once

namespace talvora {

struct AppContext;

// Makes sure the silence companion runs, so the speakers' loopback capture
// always receives data. Does nothing unless loopback capture is in use
// (`VistaAudio` not 0) and sound is recorded (`Video Only` 0). Starts
// "./hushloop" when no "Silence" window exists and waits up to 20 s for one,
// keeping the UI's messages flowing; a companion that never appears is not
// reported. Returns true when its window exists.
//
// Called once per run by the recorder window's timer work, on its first pass
// after the recorder window exists. UI thread.
bool StartSilenceCompanion(AppContext& ctx);

}  // namespace talvora
