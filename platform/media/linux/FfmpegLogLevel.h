#pragma once

namespace platform {

// FFmpeg's encoders chatter on stderr (rate-control notes, clipped
// coefficients); a recorder keeps only its errors. Call once at start.
void limitFfmpegLogToErrors();

}  // namespace platform
