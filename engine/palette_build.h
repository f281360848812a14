#pragma once
// Palette construction: the distinct colours are cut into clusters by
// repeated splits along the principal axis of the cluster with the highest
// priority, until the clusters give TargetColors distinct (snapped) colours,
// none can be split any more, or the cluster table is full.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/color_space.h"
#include "engine/engine_run.h"
#include "engine/histogram.h"
#include "engine/palette_adjust.h"

constexpr int32_t ClusterTableSize = 760;

struct Cluster {
    double Priority = 0;  // 0: never chosen again
    int32_t First = 0;    // entries First .. First + Count - 1
    int32_t Count = 0;
    ColorPoint Center;           // floor(Mean + 0.5) per coordinate
    ColorValue Color = 0;        // SnapToOutputGrid(FromColorPoint(Center))
    double Axis[3] = {0, 0, 0};  // unit principal axis (U, V, Y)
    double Mean[3] = {0, 0, 0};  // pixel-weighted mean
    double Eigenvalue = 0;       // variance along Axis
};

struct ClusterStats {
    double Mean[3] = {0, 0, 0};
    double Axis[3] = {0, 0, 0};
    double Eigenvalue = 0;
};

// Weighted mean, principal axis and its eigenvalue of entries
// [first, first + count), by the cyclic Jacobi method. Zero for no entries.
ClusterStats ClusterStatistics(const ColorEntry* entries, int32_t count);

// The quantiser's working state: the cluster table over one entry list.
// Splits reorder entries only within the cluster being cut.
class TPaletteBuilder {
  public:
    // `entries` must outlive the builder; its order changes as clusters
    // split. `scratch`, if it has room for entries.size() entries (and does
    // not overlap them), holds the entries a split moves; otherwise the
    // builder allocates that room itself.
    TPaletteBuilder(std::span<ColorEntry> entries, const TColorSpace& space, const OutputGrid& grid,
                    std::span<ColorEntry> scratch = {});

    // Recomputes every field of cluster `index` from entries [first, first + count).
    void MeasureCluster(int32_t index, int32_t first, int32_t count);
    // Cuts cluster a by the plane through its mean across its axis; the
    // entries above the plane become cluster n. Returns whether it split.
    bool SplitCluster(int32_t a, int32_t n);
    // Rebuilds FoundColors from clusters 0 .. clusterCount-1: each distinct
    // colour once, in cluster order. Returns the number of colours.
    int32_t CollectFoundColors(int32_t clusterCount);

    const Cluster& ClusterAt(int32_t index) const { return Clusters[index]; }
    const std::vector<FoundColor>& FoundColors() const { return Found; }
    void SetSingleFoundColor(int32_t cluster);

  private:
    std::span<ColorEntry> Entries;
    const TColorSpace& Space;
    const OutputGrid& Grid;
    std::array<Cluster, ClusterTableSize> Clusters{};
    std::unique_ptr<ColorEntry[]> OwnedScratch;
    ColorEntry* Upper = nullptr;  // split scratch: the entries above the plane
    std::vector<FoundColor> Found;
    std::vector<uint64_t> SeenColors;  // one bit per ColorValue while collecting
};

// Runs palette construction over `entries` for run.TargetColors colours and
// returns the found colours (may be one more than TargetColors; at least
// one). `scratch` as for TPaletteBuilder. Sets Progress 100..800; returns
// false when a stop request was seen. When `means` is given it receives the
// unsnapped pixel-weighted mean (U, V, Y) of every final cluster, in cluster
// order, for a refinement that starts where the splitting ended.
bool BuildPalette(TEngineRun& run, const OutputGrid& grid, std::span<ColorEntry> entries,
                  std::vector<FoundColor>& found, std::span<ColorEntry> scratch = {},
                  std::vector<std::array<double, 3>>* means = nullptr);
