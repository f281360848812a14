// Mapping alone (MapPixels with a fresh nearest-colour cache) per mode on a
// deterministic 12-megapixel photo-like picture and a 256-colour palette
// from a plain 8x8x4 RGB grid; and whole runs (RunJob, 256 colours) per mode
// on 6-megapixel pictures of few colours, whose palettes hold many equal
// entries: flat black, an eight-colour logo, a 64-colour sprite sheet.
//
//   build-x/bin/zinop_bench --benchmark_filter='MapPixels|FewColours'

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/color_space.h"
#include "engine/dither.h"
#include "engine/engine_run.h"
#include "engine/nearest.h"
#include "engine/reduce_job.h"
#include "formats/picture.h"

namespace {

constexpr int32_t BenchWidth = 4000;
constexpr int32_t BenchHeight = 3000;

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

int Level(double value) { return value < 0 ? 0 : value > 255 ? 255 : static_cast<int>(value); }

// Smooth shading in large areas, a few hard edges and a little grain, the
// way a photo spreads its colours.
const std::vector<ColorValue>& PhotoLikePicture() {
    static const std::vector<ColorValue> pixels = [] {
        std::vector<ColorValue> out(static_cast<size_t>(BenchWidth) * BenchHeight);
        for (int32_t y = 0; y < BenchHeight; ++y) {
            for (int32_t x = 0; x < BenchWidth; ++x) {
                const double fx = x / 4000.0, fy = y / 3000.0;
                const int area = (x / 700 + y / 500) % 3;
                const double grain = static_cast<int>(Hash(y * BenchWidth + x) % 9) - 4;
                const double r = 120 + 90 * std::sin(6 * fx + 2 * fy + area) + grain;
                const double g = 110 + 80 * std::sin(4 * fy - 3 * fx + 1.7 * area) + grain;
                const double b = 100 + 70 * std::cos(5 * fx * fy + 3 * fy + area) + grain;
                out[static_cast<size_t>(y) * BenchWidth + x] =
                    MakeColor(Level(r), Level(g), Level(b));
            }
        }
        return out;
    }();
    return pixels;
}

void MapPixelsInMode(benchmark::State& state) {
    const std::vector<ColorValue>& source = PhotoLikePicture();
    std::vector<uint8_t> indexes(source.size());
    ReduceJob job;
    job.DitherMode = static_cast<int32_t>(state.range(0));
    TEngineRun run(job);
    run.ColorSpace = PrepareColorSpace(80, 80, 80);
    for (int n = 0; n < 256; ++n) {
        const ColorValue c = MakeColor((n & 7) * 255 / 7, (n >> 3 & 7) * 255 / 7, (n >> 6) * 85);
        run.PaletteTable[n] = TPaletteEntry{c, ToColorPoint(run.ColorSpace, c)};
    }
    run.TargetColors = 256;
    run.SearchCount = 256;
    run.Pixels = source.data();
    run.Indexes = indexes.data();
    run.Width = BenchWidth;
    run.Height = BenchHeight;
    const PaletteGeometry geometry = ComputePaletteGeometry(run.PaletteTable.data(), 256);
    TNearestCache cache;
    int cells = 0;
    for (auto _ : state) {
        cache.Reset(run.PaletteTable.data(), run.SearchCount);
        benchmark::DoNotOptimize(MapPixels(run, geometry, cache));
        cells = cache.BuiltCells();
    }
    state.counters["cells"] = cells;
    state.counters["ns/pixel"] =
        benchmark::Counter(static_cast<double>(source.size()) * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

constexpr int32_t FewWidth = 3000;
constexpr int32_t FewHeight = 2000;

// 0: flat black; 1: eight colours in bands and a disc (a logo); 2: 64
// colours in 50 x 50 tiles (a sprite sheet or screenshot).
std::vector<ColorValue> FewColourPicture(int kind) {
    std::vector<ColorValue> out(static_cast<size_t>(FewWidth) * FewHeight, 0);
    if (kind == 0) return out;
    for (int32_t y = 0; y < FewHeight; ++y) {
        for (int32_t x = 0; x < FewWidth; ++x) {
            int n = 0;
            if (kind == 1) {
                const int dx = x - 1500, dy = y - 1000;
                n = dx * dx + dy * dy < 600 * 600 ? 7 : (x / 375) % 7;
                out[static_cast<size_t>(y) * FewWidth + x] =
                    MakeColor((n & 1) * 255, (n >> 1 & 1) * 200, (n >> 2) * 230);
            } else {
                n = (x / 50 + y / 50 * 7) % 64;
                out[static_cast<size_t>(y) * FewWidth + x] =
                    MakeColor((n & 3) * 85, (n >> 2 & 3) * 85, (n >> 4) * 85);
            }
        }
    }
    return out;
}

void RunJobOnFewColours(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const std::vector<ColorValue> source = FewColourPicture(static_cast<int>(state.range(1)));
    std::vector<uint8_t> indexes(source.size());
    std::vector<int32_t> work(source.size());
    ColorValue palette[256] = {};
    ReduceJob job;
    job.DitherMode = mode;
    SetUpSingleJob(job, FewWidth, FewHeight, source.data(), indexes.data(), palette, work.data(),
                   false);
    for (auto _ : state) {
        RunJob(job);
        if (!job.Succeeded) state.SkipWithError("run failed");
    }
}

}  // namespace

BENCHMARK(RunJobOnFewColours)
    ->ArgNames({"mode", "picture"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(MapPixelsInMode)
    ->ArgName("mode")
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);
