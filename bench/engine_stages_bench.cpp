// RunJob on the deterministic 12-megapixel photo-like test card, 256
// colours, default settings (888, 8 bit, weights 80, depth 70), every
// dither mode: the whole run, and the same stages called one by one
// (histogram, palette construction and assembly, mapping) to show where the
// time goes.
//
//   build-x/bin/zinop_bench --benchmark_filter='RunJob|EngineStage'
//
// The *_cpu_ms counters are the thread's CPU time: on a shared machine the
// wall clock also counts other programs.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench/test_card.h"
#include "engine/dither.h"
#include "engine/histogram.h"
#include "engine/nearest.h"
#include "engine/palette_adjust.h"
#include "engine/palette_build.h"
#include "engine/reduce_job.h"

namespace {

constexpr int32_t CardWidth = 4000;
constexpr int32_t CardHeight = 3000;

const TPictureRecord& Card() {
    static const TPictureRecord card = MakeTestCard(CardWidth, CardHeight);
    return card;
}

// The buffers the shell would give a single-picture job.
struct CardJob {
    explicit CardJob(int mode)
        : Indexes(static_cast<size_t>(CardWidth) * CardHeight),
          Work(static_cast<size_t>(CardWidth) * CardHeight) {
        Job.DitherMode = mode;
        SetUpSingleJob(Job, CardWidth, CardHeight, Card().ColorPixels(), Indexes.data(), Palette,
                       Work.data(), false);
    }
    std::vector<uint8_t> Indexes;
    std::vector<int32_t> Work;
    ColorValue Palette[256] = {};
    ReduceJob Job;
};

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void RunJobInMode(benchmark::State& state) {
    Card();
    CardJob job(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RunJob(job.Job);
        if (!job.Job.Succeeded) state.SkipWithError("run failed");
    }
    state.counters["peak_MB"] = PeakResidentMegabytes();
}

// CPU time of the calling thread: on a shared machine the wall clock also
// counts other people's work.
struct TimePoint {
    double WallMs;
    double CpuMs;
};
TimePoint Now() {
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration<double, std::milli>(wall).count(),
            cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6};
}

struct StageTimes {
    double Wall[3] = {0, 0, 0};
    double Cpu[3] = {0, 0, 0};
    void Add(int stage, const TimePoint& from, const TimePoint& to) {
        Wall[stage] += to.WallMs - from.WallMs;
        Cpu[stage] += to.CpuMs - from.CpuMs;
    }
};

// The stages of RunJob in its order, timed one by one.
void EngineStagesInMode(benchmark::State& state) {
    Card();
    CardJob job(static_cast<int>(state.range(0)));
    StageTimes times;
    size_t distinct = 0;
    for (auto _ : state) {
        TEngineRun run(job.Job);
        run.Pixels = job.Job.SourcePixels;
        run.Indexes = job.Job.IndexPixels;
        run.Width = CardWidth;
        run.Height = CardHeight;
        run.TargetColors = 256;
        run.ColorSpace = PrepareColorSpace(80, 80, 80);
        const auto grid = std::make_unique<OutputGrid>(PrepareOutputGrid(6));
        const TimePoint start = Now();
        auto colors = std::make_unique<TColorList>();
        BuildHistogram(run, *colors);
        distinct = colors->Entries.size();
        const TimePoint histogramDone = Now();
        std::vector<FoundColor> found;
        BuildPalette(run, *grid, colors->Entries, found, colors->SplitScratch);
        AssemblePalette(run, found.data(), static_cast<int32_t>(found.size()));
        colors.reset();
        const TimePoint paletteDone = Now();
        const PaletteGeometry geometry = ComputePaletteGeometry(run.PaletteTable.data(), 256);
        run.SearchCount = 256;
        TNearestCache cache;
        cache.Reset(run.PaletteTable.data(), run.SearchCount);
        MapPixels(run, geometry, cache);
        cache.Release();
        const TimePoint mappingDone = Now();
        times.Add(0, start, histogramDone);
        times.Add(1, histogramDone, paletteDone);
        times.Add(2, paletteDone, mappingDone);
    }
    const double n = static_cast<double>(state.iterations());
    const char* names[3] = {"histogram", "palette", "mapping"};
    for (int stage = 0; stage < 3; ++stage) {
        state.counters[std::string(names[stage]) + "_ms"] = times.Wall[stage] / n;
        state.counters[std::string(names[stage]) + "_cpu_ms"] = times.Cpu[stage] / n;
    }
    state.counters["colours"] = static_cast<double>(distinct);
}

// The longest palette phase: the Web grid has 216 colours, so asking for
// 256 splits until the cluster table is full.
void RunJobOnWebGrid(benchmark::State& state) {
    Card();
    CardJob job(0);
    job.Job.OutputPrecision = 0;
    for (auto _ : state) {
        RunJob(job.Job);
        if (!job.Job.Succeeded) state.SkipWithError("run failed");
    }
}

}  // namespace

BENCHMARK(RunJobOnWebGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK(RunJobInMode)
    ->ArgName("mode")
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

BENCHMARK(EngineStagesInMode)
    ->ArgName("mode")
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
