#include "platform/media/linux/FfmpegLogLevel.h"

extern "C" {
#include <libavutil/log.h>
}

namespace platform {

void limitFfmpegLogToErrors() { av_log_set_level(AV_LOG_ERROR); }

}  // namespace platform
