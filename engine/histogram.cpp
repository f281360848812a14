#include "engine/histogram.h"

#include <cstring>
#include <memory>

namespace {

// The 25-bit keys are sorted in three digits: 8, 8 and 9 bits.
constexpr int DigitShift[3] = {0, 8, 16};
constexpr uint32_t DigitMask[3] = {0xFF, 0xFF, 0x1FF};
constexpr int DigitBuckets = 512;

struct DigitCounts {
    size_t Of[3][DigitBuckets];
};

struct PictureSpan {
    const ColorValue* Pixels;
    size_t Count;
};

std::vector<PictureSpan> PicturesOf(const ReduceJob& job) {
    std::vector<PictureSpan> spans;
    if (!job.Batch) {
        spans.push_back({job.SourcePixels, static_cast<size_t>(job.Width) * job.Height});
        return spans;
    }
    for (int32_t i = 0; i < job.PictureCount; ++i)
        spans.push_back({job.SourcePixelsOf[i], static_cast<size_t>(job.Widths[i]) * job.Heights[i]});
    return spans;
}

void CountDigits(const int32_t* keys, size_t count, DigitCounts& counts) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t key = static_cast<uint32_t>(keys[i]);
        ++counts.Of[0][key & DigitMask[0]];
        ++counts.Of[1][(key >> DigitShift[1]) & DigitMask[1]];
        ++counts.Of[2][key >> DigitShift[2]];
    }
}

// Writes the trimmed key of every pixel (the marker for transparent ones).
void FillKeys(const PictureSpan& picture, const std::array<int32_t, 256>& trim, bool identity,
              uint32_t transColor, int32_t* keys) {
    const ColorValue* pixels = picture.Pixels;
    if (identity) {
        for (size_t i = 0; i < picture.Count; ++i) {
            const uint32_t p = pixels[i];
            keys[i] = p == transColor ? TransparentKey : static_cast<int32_t>(p & 0xFFFFFF);
        }
        return;
    }
    for (size_t i = 0; i < picture.Count; ++i) {
        const uint32_t p = pixels[i];
        keys[i] = p == transColor ? TransparentKey
                                  : trim[p & 0xFF] | trim[(p >> 8) & 0xFF] << 8 |
                                        trim[(p >> 16) & 0xFF] << 16;
    }
}

// Forms the runs of equal keys in place: the run values are compacted to
// the front of `sorted` and the run lengths written to `lengths`. The run
// of transparent markers, which sorts last, is dropped. Returns the number
// of runs.
size_t FormRuns(int32_t* sorted, size_t count, int32_t* lengths) {
    size_t runs = 0;
    size_t i = 0;
    while (i < count) {
        const int32_t value = sorted[i];
        size_t end = i + 1;
        while (end < count && sorted[end] == value) ++end;
        if (value != TransparentKey) {
            sorted[runs] = value;
            lengths[runs] = static_cast<int32_t>(end - i);
            ++runs;
        }
        i = end;
    }
    return runs;
}

}  // namespace

std::array<int32_t, 256> MakeTrimTable(int32_t sourceMask) {
    std::array<int32_t, 256> table{};
    const int32_t half = (sourceMask + 1) / 2;
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t raised = i + half < 255 ? i + half : 255;
        table[i] = raised & ~sourceMask;
    }
    return table;
}

int32_t* SortColorKeys(int32_t* keys, int32_t* scratch, size_t count) {
    auto counts = std::make_unique<DigitCounts>();
    std::memset(counts.get(), 0, sizeof(DigitCounts));
    CountDigits(keys, count, *counts);
    int32_t* from = keys;
    int32_t* to = scratch;
    for (int digit = 0; digit < 3; ++digit) {
        size_t* bucket = counts->Of[digit];
        const int shift = DigitShift[digit];
        const uint32_t mask = DigitMask[digit];
        // A digit every key shares leaves the order as it is.
        if (count == 0 || bucket[(static_cast<uint32_t>(from[0]) >> shift) & mask] == count)
            continue;
        size_t offset = 0;
        for (int b = 0; b < DigitBuckets; ++b) {
            const size_t n = bucket[b];
            bucket[b] = offset;
            offset += n;
        }
        for (size_t i = 0; i < count; ++i) {
            const int32_t key = from[i];
            to[bucket[(static_cast<uint32_t>(key) >> shift) & mask]++] = key;
        }
        std::swap(from, to);
    }
    return from;
}

bool BuildHistogram(TEngineRun& run, std::vector<ColorEntry>& entries) {
    entries.clear();
    const ReduceJob& job = run.Job;
    const std::vector<PictureSpan> pictures = PicturesOf(job);
    const std::array<int32_t, 256> trim = MakeTrimTable(job.SourceMask);
    size_t total = 0;
    for (const PictureSpan& picture : pictures) {
        FillKeys(picture, trim, job.SourceMask == 0, run.TransColor, job.WorkBuffer + total);
        total += picture.Count;
    }
    // The colour runs: values compacted in the sorted buffer, lengths in the
    // other one, so they take 4 bytes per pixel beyond the work buffer.
    auto scratch = std::make_unique_for_overwrite<int32_t[]>(total > 0 ? total : 1);
    int32_t* sorted = SortColorKeys(job.WorkBuffer, scratch.get(), total);
    int32_t* lengths = sorted == job.WorkBuffer ? scratch.get() : job.WorkBuffer;
    const size_t runs = FormRuns(sorted, total, lengths);
    if (run.StopRequested()) return false;
    run.SetProgress(50);

    entries.resize(runs);
    for (size_t i = 0; i < runs; ++i) {
        const ColorPoint point = ToColorPoint(run.ColorSpace, static_cast<ColorValue>(sorted[i]));
        entries[i] = ColorEntry{point.U, point.V, point.Y, lengths[i]};
    }
    return !run.StopRequested();
}
