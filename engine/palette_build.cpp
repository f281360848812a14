#include "engine/palette_build.h"

#include <cmath>
#include <cstring>

namespace {

// q(x) of the priority and scatter: the square root of positive values, 0 otherwise.
double RootOrZero(double x) { return x > 0 ? std::sqrt(x) : 0; }

// Sums of the first pass: pixel count and pixel-weighted coordinate sums.
// The products and sums are whole numbers far below 2^53, so integer
// accumulation gives exactly what double accumulation would.
void WeightedMean(const ColorEntry* entries, int32_t count, double mean[3]) {
    int64_t weight = 0, sumU = 0, sumV = 0, sumY = 0;
    for (int32_t i = 0; i < count; ++i) {
        const ColorEntry& e = entries[i];
        weight += e.Count;
        sumU += static_cast<int64_t>(e.Count) * e.U;
        sumV += static_cast<int64_t>(e.Count) * e.V;
        sumY += static_cast<int64_t>(e.Count) * e.Y;
    }
    const double w = static_cast<double>(weight);
    mean[0] = static_cast<double>(sumU) / w;
    mean[1] = static_cast<double>(sumV) / w;
    mean[2] = static_cast<double>(sumY) / w;
}

// Second pass: the covariance about `mean` (upper triangle, row by row:
// 00 01 02 11 12 22), summed in entry order and divided by the pixel
// count; and, when `center` is given, the pixel-weighted sum of the
// distances from it.
void Covariance(const ColorEntry* entries, int32_t count, const double mean[3],
                const ColorPoint* center, double cov[6], double* scatter) {
    double s00 = 0, s01 = 0, s02 = 0, s11 = 0, s12 = 0, s22 = 0, distances = 0;
    int64_t weight = 0;
    for (int32_t i = 0; i < count; ++i) {
        const ColorEntry& e = entries[i];
        const double w = e.Count;
        weight += e.Count;
        const double du = e.U - mean[0], dv = e.V - mean[1], dy = e.Y - mean[2];
        s00 += w * du * du;
        s01 += w * du * dv;
        s02 += w * du * dy;
        s11 += w * dv * dv;
        s12 += w * dv * dy;
        s22 += w * dy * dy;
        if (center) {
            const int64_t cu = e.U - center->U, cv = e.V - center->V, cy = e.Y - center->Y;
            distances += w * RootOrZero(static_cast<double>(cu * cu + cv * cv + cy * cy));
        }
    }
    const double w = static_cast<double>(weight);
    const double sums[6] = {s00, s01, s02, s11, s12, s22};
    for (int i = 0; i < 6; ++i) cov[i] = sums[i] / w;
    if (scatter) *scatter = distances;
}

using Matrix3 = double[3][3];

// One Jacobi rotation of pair (j, k), collecting it in e.
void RotatePair(Matrix3 a, Matrix3 e, int j, int k) {
    const double f = a[j][k];
    const double half = (a[j][j] - a[k][k]) * 0.5;
    const double g = half / f;
    double o = 1 / std::sqrt(g * g + 1);
    if (f < 0) o = -o;
    const double t = g * o;
    double c, s;
    if (t > 0) {
        c = std::sqrt((1 + t) * 0.5);
        s = o / c * 0.5;
    } else {
        s = std::sqrt((1 - t) * 0.5);
        c = o / s * 0.5;
    }
    const double w = a[j][j] + a[k][k];
    a[j][j] = w * 0.5 + half * t + f * o;
    a[k][k] = w - a[j][j];
    a[j][k] = a[k][j] = 0;
    for (int l = 0; l < 3; ++l) {
        if (l == j || l == k) continue;
        const double ajl = a[j][l], akl = a[k][l];
        a[j][l] = a[l][j] = c * ajl + s * akl;
        a[k][l] = a[l][k] = -s * ajl + c * akl;
    }
    for (int l = 0; l < 3; ++l) {
        const double elj = e[l][j], elk = e[l][k];
        e[l][j] = c * elj + s * elk;
        e[l][k] = -s * elj + c * elk;
    }
}

// Diagonalises the covariance by cyclic Jacobi sweeps and picks the
// largest eigenvalue (index 2 first, then 0, 1, 2 when strictly greater).
void PrincipalAxis(const double cov[6], ClusterStats& stats) {
    Matrix3 a = {{cov[0], cov[1], cov[2]}, {cov[1], cov[3], cov[4]}, {cov[2], cov[4], cov[5]}};
    Matrix3 e = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    constexpr int Pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int sweep = 0; sweep < 10; ++sweep) {
        bool rotated = false;
        for (const auto& pair : Pairs) {
            if (std::fabs(a[pair[0]][pair[1]]) >= 1e-16) {
                RotatePair(a, e, pair[0], pair[1]);
                rotated = true;
            }
        }
        if (!rotated) break;
    }
    int best = 2;
    for (int i = 0; i < 3; ++i)
        if (a[i][i] > a[best][best]) best = i;
    stats.Eigenvalue = a[best][best];
    for (int l = 0; l < 3; ++l) stats.Axis[l] = e[l][best];
}

int32_t RoundHalfUp(double x) { return static_cast<int32_t>(std::floor(x + 0.5)); }

double Projection(const ColorEntry& e, const double axis[3]) {
    return e.U * axis[0] + e.V * axis[1] + e.Y * axis[2];
}

}  // namespace

ClusterStats ClusterStatistics(const ColorEntry* entries, int32_t count) {
    ClusterStats stats;
    if (count <= 0) return stats;
    WeightedMean(entries, count, stats.Mean);
    double cov[6];
    Covariance(entries, count, stats.Mean, nullptr, cov, nullptr);
    PrincipalAxis(cov, stats);
    return stats;
}

TPaletteBuilder::TPaletteBuilder(std::span<ColorEntry> entries, const TColorSpace& space,
                                 const OutputGrid& grid, std::span<ColorEntry> scratch)
    : Entries(entries), Space(space), Grid(grid), SeenColors(size_t{1} << 18, 0) {
    Found.reserve(ClusterTableSize);
    // Room for the largest upper side any split can produce; nothing is
    // allocated while splitting.
    if (scratch.size() >= entries.size()) {
        Upper = scratch.data();
    } else {
        OwnedScratch = std::make_unique_for_overwrite<ColorEntry[]>(entries.size());
        Upper = OwnedScratch.get();
    }
}

void TPaletteBuilder::MeasureCluster(int32_t index, int32_t first, int32_t count) {
    Cluster& cluster = Clusters[index];
    cluster = Cluster{};
    cluster.First = first;
    cluster.Count = count;
    if (count <= 0) {
        cluster.Color = SnapToOutputGrid(Grid, Space, FromColorPoint(Space, 0, 0, 0));
        return;
    }
    const ColorEntry* entries = Entries.data() + first;
    ClusterStats stats;
    WeightedMean(entries, count, stats.Mean);
    cluster.Center = ColorPoint{RoundHalfUp(stats.Mean[0]), RoundHalfUp(stats.Mean[1]),
                                RoundHalfUp(stats.Mean[2])};
    double cov[6], scatter = 0;
    Covariance(entries, count, stats.Mean, &cluster.Center, cov, &scatter);
    PrincipalAxis(cov, stats);
    for (int i = 0; i < 3; ++i) {
        cluster.Mean[i] = stats.Mean[i];
        cluster.Axis[i] = stats.Axis[i];
    }
    cluster.Eigenvalue = stats.Eigenvalue;
    cluster.Color = SnapToOutputGrid(
        Grid, Space, FromColorPoint(Space, cluster.Center.U, cluster.Center.V, cluster.Center.Y));
    cluster.Priority = RootOrZero(stats.Eigenvalue) * scatter / std::sqrt(count);
}

bool TPaletteBuilder::SplitCluster(int32_t a, int32_t n) {
    const Cluster old = Clusters[a];
    if (old.Count == 1) {
        MeasureCluster(a, old.First, 1);
        Clusters[a].Priority = 0;
        return false;
    }
    const double threshold =
        old.Mean[0] * old.Axis[0] + old.Mean[1] * old.Axis[1] + old.Mean[2] * old.Axis[2];
    // Stable partition: entries on or below the plane first, then those
    // above it, each side in its previous order.
    // (memcpy: the scratch may be raw storage in the work buffer.)
    ColorEntry* range = Entries.data() + old.First;
    int32_t lower = 0, upper = 0;
    for (int32_t i = 0; i < old.Count; ++i) {
        if (Projection(range[i], old.Axis) > threshold)
            std::memcpy(&Upper[upper++], &range[i], sizeof(ColorEntry));
        else
            range[lower++] = range[i];
    }
    std::memcpy(range + lower, Upper, sizeof(ColorEntry) * upper);
    if (lower >= 1 && old.Count - lower >= 1) {
        MeasureCluster(a, old.First, lower);
        MeasureCluster(n, old.First + lower, old.Count - lower);
        return true;
    }
    if (old.Count == 2) {
        MeasureCluster(a, old.First, 1);
        MeasureCluster(n, old.First + 1, 1);
        return true;
    }
    MeasureCluster(a, old.First, old.Count);
    Clusters[a].Priority = 0;
    return false;
}

int32_t TPaletteBuilder::CollectFoundColors(int32_t clusterCount) {
    for (const FoundColor& colour : Found) SeenColors[colour.Color >> 6] = 0;
    Found.clear();
    for (int32_t i = 0; i < clusterCount; ++i) {
        const ColorValue color = Clusters[i].Color & 0xFFFFFF;
        uint64_t& word = SeenColors[color >> 6];
        const uint64_t bit = uint64_t{1} << (color & 63);
        if (word & bit) continue;
        word |= bit;
        Found.push_back(FoundColor{color, static_cast<double>(ToColorPoint(Space, color).Y)});
    }
    return static_cast<int32_t>(Found.size());
}

void TPaletteBuilder::SetSingleFoundColor(int32_t cluster) {
    for (const FoundColor& colour : Found) SeenColors[colour.Color >> 6] = 0;
    Found.clear();
    const ColorValue color = Clusters[cluster].Color;
    Found.push_back(FoundColor{color, static_cast<double>(ToColorPoint(Space, color).Y)});
}

namespace {

// The cluster of greatest priority, the lowest index among equals.
int32_t HighestPriority(const TPaletteBuilder& builder, int32_t clusterCount) {
    int32_t chosen = 0;
    for (int32_t i = 1; i < clusterCount; ++i)
        if (builder.ClusterAt(i).Priority > builder.ClusterAt(chosen).Priority) chosen = i;
    return chosen;
}

// Progress through the palette phase; a split that finds two colours at
// once can pass TargetColors, so the value stays within the phase's range.
int PaletteProgress(int32_t found, int32_t target) {
    const int64_t value = 100 + int64_t{700} * found / target;
    return value < 800 ? static_cast<int>(value) : 800;
}

}  // namespace

bool BuildPalette(TEngineRun& run, const OutputGrid& grid, std::span<ColorEntry> entries,
                  std::vector<FoundColor>& found, std::span<ColorEntry> scratch,
                  std::vector<std::array<double, 3>>* means) {
    auto builder = std::make_unique<TPaletteBuilder>(entries, run.ColorSpace, grid, scratch);
    const int32_t target = run.TargetColors;
    builder->MeasureCluster(0, 0, static_cast<int32_t>(entries.size()));
    if (run.StopRequested()) return false;
    if (target > 0) run.SetProgress(PaletteProgress(1, target));
    int32_t clusters = 1;
    int32_t foundCount = 0;
    bool anySplit = false;
    while (foundCount < target && clusters < ClusterTableSize) {
        const int32_t chosen = HighestPriority(*builder, clusters);
        if (!(builder->ClusterAt(chosen).Priority > 0)) break;
        if (!builder->SplitCluster(chosen, clusters)) continue;
        anySplit = true;
        ++clusters;
        foundCount = builder->CollectFoundColors(clusters);
        if (run.StopRequested()) return false;
        run.SetProgress(PaletteProgress(foundCount, target));
    }
    if (!anySplit) builder->SetSingleFoundColor(0);
    found = builder->FoundColors();
    if (means) {
        means->clear();
        for (int32_t i = 0; i < clusters; ++i) {
            const Cluster& cluster = builder->ClusterAt(i);
            if (cluster.Count > 0)
                means->push_back({cluster.Mean[0], cluster.Mean[1], cluster.Mean[2]});
        }
    }
    return true;
}
