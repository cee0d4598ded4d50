// The motion search's two passes over one pair of 1920 x 1040 screenshots
// with a 640 x 360 video playing in the middle: the work of one scan.
#include <benchmark/benchmark.h>

#include "SyntheticScreens.h"
#include "targets/MotionDetection.h"

namespace {

void BM_MotionPasses(benchmark::State& state) {
    constexpr int kW = 1920;
    constexpr int kH = 1040;
    talvora::ScanFrame a(kW, kH);
    talvora::ScanFrame b(kW, kH);
    talvora::test::paintVideo(a, {640, 340, 1280, 700}, 0);
    talvora::test::paintVideo(b, {640, 340, 1280, 700}, 1);
    for (auto _ : state) {
        talvora::ScanPasses passes = talvora::RunMotionPasses(a, b, 19);
        benchmark::DoNotOptimize(passes.changedPixels);
    }
    state.SetBytesProcessed(state.iterations() * 2LL * 2 * kW * kH * 4);
}
BENCHMARK(BM_MotionPasses)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
