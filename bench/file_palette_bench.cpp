// Mapping to a palette from a file (RunJob with FilePalette, 256 entries)
// against the mapping stage alone (MapPixels with the same palette) on the
// 12-megapixel test card, per dither mode: a file palette must cost no more
// than mapping, since nothing is counted or built.
//
//   build-x/bin/zinop_bench --benchmark_filter='FilePalette'

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/test_card.h"
#include "engine/color_space.h"
#include "engine/dither.h"
#include "engine/engine_run.h"
#include "engine/nearest.h"
#include "engine/reduce_job.h"

namespace {

constexpr int32_t CardWidth = 4000;
constexpr int32_t CardHeight = 3000;

const TPictureRecord& Card() {
    static const TPictureRecord card = MakeTestCard(CardWidth, CardHeight);
    return card;
}

// 256 colours spread over the cube, not sorted, as a palette site gives them.
std::vector<ColorValue> FilePalette() {
    std::vector<ColorValue> colors;
    for (int n = 0; n < 256; ++n)
        colors.push_back(MakeColor((n * 37) & 255, (n * 101 + 40) & 255, (n * 53 + 90) & 255));
    return colors;
}

void FilePaletteRunJob(benchmark::State& state) {
    const ColorValue* source = Card().ColorPixels();
    std::vector<uint8_t> indexes(static_cast<size_t>(CardWidth) * CardHeight);
    ColorValue palette[256] = {};
    ReduceJob job;
    job.DitherMode = static_cast<int32_t>(state.range(0));
    job.FilePalette = FilePalette();
    job.PaletteSize = 256;
    SetUpSingleJob(job, CardWidth, CardHeight, source, indexes.data(), palette, nullptr, false);
    for (auto _ : state) {
        RunJob(job);
        if (!job.Succeeded) state.SkipWithError("run failed");
    }
}

void FilePaletteMappingStage(benchmark::State& state) {
    std::vector<uint8_t> indexes(static_cast<size_t>(CardWidth) * CardHeight);
    ReduceJob job;
    job.DitherMode = static_cast<int32_t>(state.range(0));
    TEngineRun run(job);
    run.ColorSpace = PrepareColorSpace(80, 80, 80);
    const std::vector<ColorValue> colors = FilePalette();
    for (int n = 0; n < 256; ++n)
        run.PaletteTable[n] = TPaletteEntry{colors[n], ToColorPoint(run.ColorSpace, colors[n])};
    run.SearchCount = 256;
    run.Pixels = Card().ColorPixels();
    run.Indexes = indexes.data();
    run.Width = CardWidth;
    run.Height = CardHeight;
    const PaletteGeometry geometry = ComputePaletteGeometry(run.PaletteTable.data(), 256);
    TNearestCache cache;
    for (auto _ : state) {
        cache.Reset(run.PaletteTable.data(), run.SearchCount);
        benchmark::DoNotOptimize(MapPixels(run, geometry, cache));
    }
    cache.Release();
}

}  // namespace

BENCHMARK(FilePaletteRunJob)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FilePaletteMappingStage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
