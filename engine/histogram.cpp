#include "engine/histogram.h"

#include <new>

namespace {

// Keys go into the work buffer sorted by their top digit, bits 16..24 (the
// blue level, or 256 for the transparent marker); within one blue level the
// 65536 red/green combinations are counted in a small table. Linear time,
// and nothing as large as the picture is allocated: on some systems
// touching fresh memory costs more than the counting itself.
constexpr int BlueBuckets = 257;
constexpr int LowValues = 65536;
constexpr int LowBlock = 64;  // table entries per bit of the touched-block map

struct PictureSpan {
    const ColorValue* Pixels;
    size_t Count;
};

std::vector<PictureSpan> PicturesOf(const TEngineRun& run) {
    const ReduceJob& job = run.Job;
    std::vector<PictureSpan> spans;
    if (!run.MarkedPixels.empty()) {
        for (const std::vector<ColorValue>& marked : run.MarkedPixels)
            spans.push_back({marked.data(), marked.size()});
        return spans;
    }
    if (!job.Batch) {
        spans.push_back({job.SourcePixels, static_cast<size_t>(job.Width) * job.Height});
        return spans;
    }
    for (int32_t i = 0; i < job.PictureCount; ++i)
        spans.push_back(
            {job.SourcePixelsOf[i], static_cast<size_t>(job.Widths[i]) * job.Heights[i]});
    return spans;
}

inline uint32_t BucketOf(int32_t key) { return static_cast<uint32_t>(key) >> 16; }

// The trimmed key of a pixel, or the marker for a transparent one.
struct KeyMaker {
    std::array<int32_t, 256> Trim;
    bool Identity;
    uint32_t TransColor;

    int32_t operator()(uint32_t p) const {
        if (p == TransColor) return TransparentKey;
        if (Identity) return static_cast<int32_t>(p & 0xFFFFFF);
        return Trim[p & 0xFF] | Trim[(p >> 8) & 0xFF] << 8 | Trim[(p >> 16) & 0xFF] << 16;
    }
};

void CountBuckets(const PictureSpan& picture, const KeyMaker& keyOf, size_t* bucketSizes) {
    for (size_t i = 0; i < picture.Count; ++i) ++bucketSizes[BucketOf(keyOf(picture.Pixels[i]))];
}

// Writes every key straight to its bucket's next free place: the keys leave
// the source already sorted by the top digit, with independent stores.
void ScatterKeys(const PictureSpan& picture, const KeyMaker& keyOf, int32_t* keys, size_t* heads) {
    for (size_t i = 0; i < picture.Count; ++i) {
        const int32_t key = keyOf(picture.Pixels[i]);
        keys[heads[BucketOf(key)]++] = key;
    }
}

// The colour runs: values compacted to the front of the work buffer,
// lengths alongside.
struct ColorRuns {
    int32_t* Values = nullptr;
    std::vector<int32_t> Lengths;
};

// Counts the red/green combinations of one blue level and appends its runs
// in ascending order. The bucket has been read in full before any value is
// written, and earlier runs never outnumber earlier pixels, so the values
// written never overtake keys still to be read.
void CountBucket(const int32_t* keys, size_t begin, size_t end, int32_t blue, uint32_t* table,
                 ColorRuns& runs) {
    uint64_t touched[LowValues / LowBlock / 64] = {};
    for (size_t i = begin; i < end; ++i) {
        const uint32_t low = static_cast<uint32_t>(keys[i]) & 0xFFFF;
        ++table[low];
        touched[low / LowBlock / 64] |= uint64_t{1} << (low / LowBlock % 64);
    }
    for (int word = 0; word < LowValues / LowBlock / 64; ++word) {
        for (uint64_t bits = touched[word]; bits != 0; bits &= bits - 1) {
            const int block = word * 64 + __builtin_ctzll(bits);
            for (int low = block * LowBlock; low < (block + 1) * LowBlock; ++low) {
                if (table[low] == 0) continue;
                runs.Values[runs.Lengths.size()] = blue << 16 | low;
                runs.Lengths.push_back(static_cast<int32_t>(table[low]));
                table[low] = 0;
            }
        }
    }
}

// Turns the runs into the colour list. In the work buffer, entry i takes
// the four ints from 4i on while run value i sits at int i, so filling from
// the last entry down reads every value before its place is overwritten.
void PlaceColorList(const TEngineRun& run, const ColorRuns& runs, size_t workInts,
                    TColorList& list) {
    const size_t count = runs.Lengths.size();
    const size_t intsPerEntry = sizeof(ColorEntry) / sizeof(int32_t);
    static_assert(sizeof(ColorEntry) == 4 * sizeof(int32_t) &&
                  alignof(ColorEntry) <= alignof(int32_t));
    auto entryOf = [&](size_t i) {
        const ColorPoint p = ToColorPoint(run.ColorSpace, static_cast<ColorValue>(runs.Values[i]));
        return ColorEntry{p.U, p.V, p.Y, runs.Lengths[i]};
    };
    if (2 * intsPerEntry * count <= workInts) {
        int32_t* storage = run.Job.WorkBuffer;
        for (size_t i = count; i-- > 0;) new (storage + intsPerEntry * i) ColorEntry(entryOf(i));
        ColorEntry* entries = std::launder(reinterpret_cast<ColorEntry*>(storage));
        list.Entries = std::span<ColorEntry>(entries, count);
        list.SplitScratch = std::span<ColorEntry>(entries + count, count);
        return;
    }
    list.Owned.resize(count);
    for (size_t i = 0; i < count; ++i) list.Owned[i] = entryOf(i);
    list.Entries = list.Owned;
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

bool BuildHistogram(TEngineRun& run, TColorList& list) {
    list.Entries = {};
    list.SplitScratch = {};
    list.Owned.clear();
    const ReduceJob& job = run.Job;
    const KeyMaker keyOf{MakeTrimTable(job.SourceMask), job.SourceMask == 0, run.TransColor};
    const std::vector<PictureSpan> pictures = PicturesOf(run);
    size_t bucketSizes[BlueBuckets] = {};
    for (const PictureSpan& picture : pictures) CountBuckets(picture, keyOf, bucketSizes);
    size_t starts[BlueBuckets + 1];
    size_t heads[BlueBuckets];
    starts[0] = 0;
    for (int b = 0; b < BlueBuckets; ++b) {
        heads[b] = starts[b];
        starts[b + 1] = starts[b] + bucketSizes[b];
    }
    for (const PictureSpan& picture : pictures) ScatterKeys(picture, keyOf, job.WorkBuffer, heads);
    ColorRuns runs;
    runs.Values = job.WorkBuffer;
    std::vector<uint32_t> table(LowValues, 0);
    // Bucket 256 holds the transparent markers, which never reach the list.
    for (int32_t blue = 0; blue < 256; ++blue)
        CountBucket(job.WorkBuffer, starts[blue], starts[blue + 1], blue, table.data(), runs);
    if (run.StopRequested()) return false;
    run.SetProgress(50);

    PlaceColorList(run, runs, starts[BlueBuckets], list);
    return !run.StopRequested();
}
