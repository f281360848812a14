// GIF and PNG writers on a dithered 256-colour picture, 12 and 1 megapixels.
// Bytes per second are pixels per second (one index byte per pixel).
// Target: SaveGif codes a 12-megapixel dithered 256-colour photo in at most
// 0.5 s.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "formats/gif_writer.h"
#include "formats/png_writer.h"

namespace {

// 8 levels of red and green, 4 of blue: the 256-entry cube the picture is
// dithered to.
constexpr int CubeLevels[3] = {8, 8, 4};
constexpr int CubeShifts[3] = {0, 3, 6};  // index bits of red, green, blue

int Quantise(double value, int levels, double& error) {
    const double step = 255.0 / (levels - 1);
    int level = static_cast<int>(std::floor(value / step + 0.5));
    level = std::max(0, std::min(levels - 1, level));
    error = value - level * step;
    return level;
}

// A smooth photo-like colour field with fine texture, Floyd-Steinberg
// dithered channel by channel to the cube: noise-like indexes as a real
// dithered photo has them.
TPictureRecord DitheredPicture(int width, int height) {
    TPictureRecord record;
    record.Kind = pkIndexed;
    record.Width = width;
    record.Height = height;
    record.Colors = 256;
    record.TransCorner = -1;
    record.Palette.assign(1024, 0);
    for (int i = 0; i < 256; ++i) {
        record.SetPaletteEntry(i, MakeColor((i & 7) * 255 / 7, (i >> 3 & 7) * 255 / 7, (i >> 6) * 85));
    }
    record.Pixels.assign(static_cast<size_t>(width) * height, 0);
    std::mt19937 random(1);
    std::uniform_real_distribution<double> texture(-12.0, 12.0);
    // Errors of this row and the next, per channel, with a spare column each side.
    std::vector<double> errors[2][3];
    for (auto& row : errors) {
        for (auto& channel : row) channel.assign(static_cast<size_t>(width) + 2, 0.0);
    }
    for (int y = 0; y < height; ++y) {
        auto& now = errors[y % 2];
        auto& below = errors[(y + 1) % 2];
        for (auto& channel : below) std::fill(channel.begin(), channel.end(), 0.0);
        for (int x = 0; x < width; ++x) {
            const double field[3] = {
                128 + 110 * std::sin(x / 310.0) * std::cos(y / 190.0),
                128 + 100 * std::sin((x + y) / 420.0),
                128 + 90 * std::cos((x - 2 * y) / 270.0)};
            int index = 0;
            for (int c = 0; c < 3; ++c) {
                double error = 0;
                const double value = field[c] + texture(random) + now[c][x + 1];
                index |= Quantise(value, CubeLevels[c], error) << CubeShifts[c];
                now[c][x + 2] += error * 7 / 16;
                below[c][x] += error * 3 / 16;
                below[c][x + 1] += error * 5 / 16;
                below[c][x + 2] += error * 1 / 16;
            }
            record.Pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(index);
        }
    }
    return record;
}

// Made once per size and kept for every benchmark.
const TPictureRecord& Picture(int megapixels) {
    static std::map<int, TPictureRecord> pictures;
    auto found = pictures.find(megapixels);
    if (found == pictures.end()) {
        const int width = megapixels == 12 ? 4000 : 1000;
        const int height = megapixels == 12 ? 3000 : 1000;
        found = pictures.emplace(megapixels, DitheredPicture(width, height)).first;
    }
    return found->second;
}

std::string BenchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_WriteGifImage(benchmark::State& state) {
    const TPictureRecord& record = Picture(static_cast<int>(state.range(0)));
    TByteBuffer image;
    for (auto _ : state) {
        WriteGifImage(record, GifOptionsFromIndex(0), image);
        benchmark::DoNotOptimize(image.Data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * record.Pixels.size());
    state.counters["file_MB"] = image.Data.size() / 1e6;
}

void BM_SaveGif(benchmark::State& state) {
    TPictureRecord record = Picture(static_cast<int>(state.range(0)));
    record.FileName = BenchFile("zinop-bench-writers.gif");
    for (auto _ : state) {
        if (!SaveGif(record, GifOptionsFromIndex(static_cast<int>(state.range(1))))) {
            state.SkipWithError("SaveGif failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * record.Pixels.size());
    std::remove(record.FileName.c_str());
}

void BM_SavePng(benchmark::State& state) {
    TPictureRecord record = Picture(static_cast<int>(state.range(0)));
    record.FileName = BenchFile("zinop-bench-writers.png");
    for (auto _ : state) {
        if (!SavePng(record, state.range(1) != 0)) {
            state.SkipWithError("SavePng failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * record.Pixels.size());
    std::remove(record.FileName.c_str());
}

}  // namespace

// Arguments: megapixels; for the savers also the GIF type / PNG interlace.
BENCHMARK(BM_WriteGifImage)->Arg(12)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveGif)->Args({12, 0})->Args({12, 3})->Args({1, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePng)
    ->Args({12, 0})
    ->Args({12, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
