#include "platform/media/BuiltInFilterModules.h"

namespace platform {

void addBuiltInFilterModules(FilterModules& modules) {
    const char* const names[] = {
        "mc_enc_mp2v_ds.ax", "mc_enc_mpa_ds.ax",   "mc_mux_mp2_ds.ax", "mcIScaler.ax", "mc_render_fileindex_ds.ax",
        "wvd.ax",            "mc_dec_mp2v_ds.ax",  "mc_dec_mpa_ds.ax", "mc_demux_mp2_ds.ax", "mcinftee.ax",
        "mccsc.ax",          "VozEza5.ax",         "wxyz.ax",          "DirOri.ax",    "usc.ax",
        "mpg4ds32.ax",       "audio_sniffer.dll",
    };
    for (const char* name : names) modules.addModule(name, {});
}

}  // namespace platform
