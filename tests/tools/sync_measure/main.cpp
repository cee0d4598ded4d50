// Pairs the flashes of a recording of sync_source with their beeps, as the
// sync tests do: prints "<flash s> <beep minus flash s>" per pair, then a
// summary on standard error.
//
//   sync_measure FILE
#include <QCoreApplication>

#include <cstdio>

#include "SoundSync.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: sync_measure FILE\n");
        return 2;
    }
    const talvora::tools::SoundSync sync = talvora::tools::measureSoundSync(argv[1]);
    for (std::size_t i = 0; i < sync.offsets.size(); ++i) std::printf("%.4f %.5f\n", sync.flashes[i], sync.offsets[i]);
    std::fprintf(stderr, "%zu pairs, mean %.1f ms, spread %.1f ms; pictures from %.3f s, sound from %.3f s\n",
                 sync.offsets.size(), sync.mean() * 1000, sync.spread() * 1000, sync.videoStart, sync.audioStart);
    return sync.offsets.empty() ? 1 : 0;
}
