#include "engine/palette_refine.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <future>
#include <limits>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/color_cubes.h"
#include "engine/palette_polish.h"

namespace {

using Vec3 = std::array<double, 3>;

// How much work each level does. Colours are merged into cubes of
// 2^CellShift units (256 units are one colour level) before the iterations,
// which bounds the work on photographs with many distinct colours. A final
// stage may then settle the colours over the distinct colours themselves,
// and small palettes may end with the local search of palette_polish.h.
struct TRefinePlan {
    int CellShift;
    int Iterations;       // Lloyd iterations per stage, at most
    int SplitRounds;      // rounds of moving little-used colours to the worst clusters
    int FinalIterations;  // Lloyd iterations over the unmerged colours, at most
    bool Polish;          // the local search under the mapping's measure last (small palettes)
};
// Chosen by measurement on 768 x 512 photographs on two cores: level 1
// costs at most about a sixth more time than level 0; level 3 takes about
// as long as pngquant at 256 colours (both use the two cores) and less at
// 16 and 64.
constexpr TRefinePlan RefinePlans[RefineLevelMax + 1] = {
    {0, 0, 0, 0, false}, {9, 3, 0, 0, false}, {9, 8, 1, 0, false}, {8, 7, 3, 10, true}};

// The refinement measures chroma 1.5 times as strongly as the job's space
// does (the mapping keeps the job's space). Measured on photographs, this
// lowers the mean CIELAB error of the mapped result by 2 to 3 % at about
// the same PSNR: the palette spreads further across hues, to which the eye
// is more sensitive than the default weights (0.8) assume.
constexpr double RefineChroma = 1.5;

// Each colour counts with its pixel count to this power. Slightly above 1 it
// gives the colours that cover much of the picture a few more, closer
// entries: measured on photographs, it lowers the mean CIELAB error, which
// counts every pixel's error once rather than squared, at nearly the same
// PSNR. Before the local search the plain count serves better (measured at
// 16 colours: 0.01 dB more PSNR at the same CIELAB error), as the search
// itself counts every pixel once.
constexpr double RefineCountPower = 1.1;

// A colour's weight: its count to RefineCountPower (from a table for the
// small counts most colours of a photograph have), or the count itself.
double CountWeight(int64_t count, bool plain) {
    if (plain) return double(count);
    static const auto table = [] {
        std::array<double, 4096> powers{};
        for (size_t n = 0; n < powers.size(); ++n)
            powers[n] = std::pow(double(n), RefineCountPower);
        return powers;
    }();
    return count < int64_t(table.size()) ? table[size_t(count)]
                                         : std::pow(double(count), RefineCountPower);
}

Vec3 ToRefineSpace(const Vec3& p) { return {p[0] * RefineChroma, p[1] * RefineChroma, p[2]}; }
Vec3 FromRefineSpace(const Vec3& p) { return {p[0] / RefineChroma, p[1] / RefineChroma, p[2]}; }

struct TPoint {
    Vec3 P;
    double Weight;
};

double Squared(const Vec3& a, const Vec3& b) {
    const double du = a[0] - b[0], dv = a[1] - b[1], dy = a[2] - b[2];
    return du * du + dv * dv + dy * dy;
}

// Merges the entries into cubes of 2^shift units: one point per occupied
// cube at the weighted mean of its entries (each weighed by CountWeight).
// Cubes come out in key order, so the result depends only on the entries.
// With `cubeOf`, entry i's cube is cubeOf[i].
std::vector<TPoint> GatherPoints(std::span<const ColorEntry> entries, int shift, bool plainCounts,
                                 std::vector<uint32_t>* cubeOf = nullptr) {
    std::vector<TPoint> points;
    if (shift == 0) {
        points.reserve(entries.size());
        for (const ColorEntry& e : entries)
            points.push_back(TPoint{ToRefineSpace({double(e.U), double(e.V), double(e.Y)}),
                                    CountWeight(e.Count, plainCounts)});
        return points;
    }
    std::vector<uint32_t> cubes;
    std::vector<uint32_t>& cube = cubeOf ? *cubeOf : cubes;
    size_t count = 0;
    cube = GroupIntoCubes(entries, shift, count);
    // Each cube's sums run over its entries in ascending order.
    std::vector<Vec3> sums(count, Vec3{0, 0, 0});
    std::vector<int64_t> weights(count, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        const ColorEntry& e = entries[i];
        Vec3& sum = sums[cube[i]];
        sum[0] += double(e.Count) * e.U;
        sum[1] += double(e.Count) * e.V;
        sum[2] += double(e.Count) * e.Y;
        weights[cube[i]] += e.Count;
    }
    points.reserve(count);
    for (size_t c = 0; c < count; ++c) {
        const double w = double(weights[c]);
        points.push_back(TPoint{ToRefineSpace({sums[c][0] / w, sums[c][1] / w, sums[c][2] / w}),
                                CountWeight(weights[c], plainCounts)});
    }
    return points;
}

// A second thread for the loops over all points, kept for the whole
// refinement since starting a thread for each loop costs about as much as
// a small loop. Without a second core, or when no thread can be had, every
// loop runs here.
class THelper {
  public:
    THelper() {
        if (std::thread::hardware_concurrency() < 2) return;
        try {
            Thread = std::thread(&THelper::Loop, this);
        } catch (const std::system_error&) {
        }
    }
    ~THelper() {
        if (!Thread.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(Mutex);
            Quit = true;
        }
        Wake.notify_one();
        Thread.join();
    }
    THelper(const THelper&) = delete;
    THelper& operator=(const THelper&) = delete;

    // Runs work(part, begin, end) for part 0 over [0, count / 2) and part 1
    // over the rest, part 0 on the second thread when there are enough
    // points to pay for the hand-over. The parts are always the same, so
    // results that the caller combines part 0 first do not depend on
    // whether the second thread was used. Returns whether either part
    // returned true.
    template <class Work>
    bool InHalves(size_t count, const Work& work) {
        constexpr size_t ThreadMinimum = 16384;
        const size_t half = count / 2;
        if (count < ThreadMinimum || !Thread.joinable()) {
            const bool first = work(0, size_t{0}, half);
            return work(1, half, count) || first;
        }
        bool first = false;
        Start([&] { first = work(0, size_t{0}, half); });
        bool second = false;
        try {
            second = work(1, half, count);
        } catch (...) {
            Finish();
            throw;
        }
        Finish();
        return first || second;
    }

  private:
    void Start(std::function<void()> job) {
        {
            const std::lock_guard<std::mutex> lock(Mutex);
            Job = std::move(job);
            Pending = true;
        }
        Wake.notify_one();
    }
    // Waits for the job given to Start; rethrows what it threw.
    void Finish() {
        std::unique_lock<std::mutex> lock(Mutex);
        Done.wait(lock, [this] { return !Pending; });
        if (Failure) std::rethrow_exception(std::exchange(Failure, nullptr));
    }
    void Loop() {
        std::unique_lock<std::mutex> lock(Mutex);
        for (;;) {
            Wake.wait(lock, [this] { return Pending || Quit; });
            if (Quit) return;
            lock.unlock();
            std::exception_ptr failure;
            try {
                Job();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            Failure = failure;
            Pending = false;
            Done.notify_one();
        }
    }

    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Wake, Done;
    std::function<void()> Job;
    std::exception_ptr Failure;
    bool Pending = false;
    bool Quit = false;
};

// Weighted k-means over fixed points with Hamerly's bounds: a point whose
// distance to its own centre (upper bound) is below both half the gap to
// the next centre and its bound on every other centre keeps its cluster
// without a search, which after the first iterations is nearly every point.
class TKMeans {
  public:
    TKMeans(THelper& helper, std::vector<TPoint> points, std::vector<Vec3> centres)
        : Helper(helper),
          Points(std::move(points)),
          Centres(std::move(centres)),
          Owner(Points.size(), 0),
          Upper(Points.size(), 0),
          Lower(Points.size(), 0) {
        SortCentres();
    }
    // The same centres as `coarse`, over points each lying in the cube
    // cubeOf[i] of coarse's points: each starts in its cube's cluster with
    // bounds widened by its distance from the cube's mean, so only the
    // points near a border between clusters need a search.
    TKMeans(std::vector<TPoint> points, TKMeans& coarse, const std::vector<uint32_t>& cubeOf);

    // Up to `iterations` Lloyd steps, fewer when no point changes cluster.
    // False when a stop request was seen.
    bool Iterate(const TEngineRun& run, int iterations);
    // Moves the `count` centres whose points would lose least if they went
    // to their next centres onto the worst-placed point of the clusters with
    // the largest total error.
    void SplitWorst(int count);
    // Sum over the points of weight times squared distance to the own centre.
    double TotalError() const;

    const std::vector<Vec3>& CentreList() const { return Centres; }
    void SetCentres(const std::vector<Vec3>& centres) {
        if (centres == Centres) return;
        Centres = centres;
        SortCentres();
        Fresh = false;
    }

  private:
    void SortCentres();
    void SearchAll(size_t i);
    bool AssignPoints();
    void MoveCentres();
    void MoveDonors(const std::vector<size_t>& donors);

    THelper& Helper;
    std::vector<TPoint> Points;
    std::vector<Vec3> Centres;
    // The centres in ascending Y (then index), and their coordinates in
    // that order: a search walks outward from the point's Y and stops where
    // Y alone is too far.
    std::vector<int32_t> ByY;
    std::vector<double> SortedU, SortedV, SortedY;
    std::vector<int32_t> Owner;
    std::vector<double> Upper;  // >= distance to the own centre
    std::vector<double> Lower;  // <= distance to every other centre
    bool Fresh = false;         // bounds valid for the current centres
};

TKMeans::TKMeans(std::vector<TPoint> points, TKMeans& coarse, const std::vector<uint32_t>& cubeOf)
    : TKMeans(coarse.Helper, std::move(points), coarse.Centres) {
    coarse.AssignPoints();  // exact bounds for coarse's current centres
    Helper.InHalves(Points.size(), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const uint32_t cube = cubeOf[i];
            const double away = std::sqrt(Squared(Points[i].P, coarse.Points[cube].P));
            Owner[i] = coarse.Owner[cube];
            Upper[i] = std::sqrt(Squared(Points[i].P, Centres[Owner[i]]));
            Lower[i] = std::max(0.0, coarse.Lower[cube] - away);
        }
        return false;
    });
    Fresh = true;
}

void TKMeans::SortCentres() {
    ByY.resize(Centres.size());
    std::iota(ByY.begin(), ByY.end(), 0);
    std::stable_sort(ByY.begin(), ByY.end(),
                     [&](int32_t a, int32_t b) { return Centres[a][2] < Centres[b][2]; });
    SortedU.resize(Centres.size());
    SortedV.resize(Centres.size());
    SortedY.resize(Centres.size());
    for (size_t i = 0; i < ByY.size(); ++i) {
        SortedU[i] = Centres[ByY[i]][0];
        SortedV[i] = Centres[ByY[i]][1];
        SortedY[i] = Centres[ByY[i]][2];
    }
}

// Exact nearest and second-nearest centre of point i (the lowest index
// among equals). Centres are visited by growing Y distance; once the
// square of that alone exceeds the second distance, none left can matter.
void TKMeans::SearchAll(size_t i) {
    const Vec3& p = Points[i].P;
    constexpr double Far = std::numeric_limits<double>::max();
    double best = Far, second = Far;
    int32_t owner = -1;
    const size_t count = SortedY.size();
    const size_t start =
        size_t(std::lower_bound(SortedY.begin(), SortedY.end(), p[2]) - SortedY.begin());
    const auto visit = [&](size_t s) {
        const double du = p[0] - SortedU[s], dv = p[1] - SortedV[s], dy = p[2] - SortedY[s];
        const double d = du * du + dv * dv + dy * dy;
        const int32_t c = ByY[s];
        if (d < best || (d == best && c < owner)) {
            second = best;
            best = d;
            owner = c;
        } else if (d < second) {
            second = d;
        }
    };
    // Upward, then downward; either walk ends where Y alone is farther
    // than the second distance so far, beyond which no centre can matter.
    for (size_t s = start; s < count; ++s) {
        const double dy = SortedY[s] - p[2];
        if (dy * dy > second) break;
        visit(s);
    }
    for (size_t s = start; s-- > 0;) {
        const double dy = p[2] - SortedY[s];
        if (dy * dy > second) break;
        visit(s);
    }
    Owner[i] = owner;
    Upper[i] = std::sqrt(best);
    Lower[i] = Centres.size() > 1 ? std::sqrt(second) : std::numeric_limits<double>::max();
}

// Brings every point to its nearest centre; true when any point moved.
bool TKMeans::AssignPoints() {
    if (!Fresh) {
        Helper.InHalves(Points.size(), [this](int, size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) SearchAll(i);
            return true;
        });
        Fresh = true;
        return true;
    }
    const size_t k = Centres.size();
    std::vector<double> halfGap(k, std::numeric_limits<double>::max());
    for (size_t a = 0; a < k; ++a)
        for (size_t b = a + 1; b < k; ++b) {
            const double half = 0.5 * std::sqrt(Squared(Centres[a], Centres[b]));
            halfGap[a] = std::min(halfGap[a], half);
            halfGap[b] = std::min(halfGap[b], half);
        }
    return Helper.InHalves(Points.size(), [&](int, size_t begin, size_t end) {
        bool changed = false;
        for (size_t i = begin; i < end; ++i) {
            const double bound = std::max(halfGap[Owner[i]], Lower[i]);
            if (Upper[i] <= bound) continue;
            Upper[i] = std::sqrt(Squared(Points[i].P, Centres[Owner[i]]));
            if (Upper[i] <= bound) continue;
            const int32_t before = Owner[i];
            SearchAll(i);
            changed |= Owner[i] != before;
        }
        return changed;
    });
}

// Each centre to the weighted mean of its points (an empty cluster keeps
// its place); the bounds follow the moves.
void TKMeans::MoveCentres() {
    const size_t k = Centres.size();
    std::vector<Vec3> sums[2];
    std::vector<double> weights[2];
    Helper.InHalves(Points.size(), [&](int part, size_t begin, size_t end) {
        sums[part].assign(k, Vec3{0, 0, 0});
        weights[part].assign(k, 0);
        for (size_t i = begin; i < end; ++i) {
            const TPoint& p = Points[i];
            Vec3& sum = sums[part][Owner[i]];
            for (int c = 0; c < 3; ++c) sum[c] += p.Weight * p.P[c];
            weights[part][Owner[i]] += p.Weight;
        }
        return false;
    });
    std::vector<double> shift(k, 0);
    size_t largest = 0;
    for (size_t c = 0; c < k; ++c) {
        const double weight = weights[0][c] + weights[1][c];
        if (weight <= 0) continue;
        Vec3 moved;
        for (int j = 0; j < 3; ++j) moved[j] = (sums[0][c][j] + sums[1][c][j]) / weight;
        shift[c] = std::sqrt(Squared(moved, Centres[c]));
        Centres[c] = moved;
        if (shift[c] > shift[largest]) largest = c;
    }
    SortCentres();
    double secondShift = 0;
    for (size_t c = 0; c < k; ++c)
        if (c != largest) secondShift = std::max(secondShift, shift[c]);
    Helper.InHalves(Points.size(), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            Upper[i] += shift[Owner[i]];
            Lower[i] -= size_t(Owner[i]) == largest ? secondShift : shift[largest];
        }
        return false;
    });
}

bool TKMeans::Iterate(const TEngineRun& run, int iterations) {
    for (int step = 0; step < iterations; ++step) {
        if (run.StopRequested()) return false;
        if (!AssignPoints() && step > 0) break;
        MoveCentres();
    }
    AssignPoints();
    return !run.StopRequested();
}

double TKMeans::TotalError() const {
    double error[2] = {0, 0};
    Helper.InHalves(Points.size(), [&](int part, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            error[part] += Points[i].Weight * Squared(Points[i].P, Centres[Owner[i]]);
        return false;
    });
    return error[0] + error[1];
}

void TKMeans::SplitWorst(int count) {
    const size_t k = Centres.size();
    // Exact bounds: Upper and Lower are the nearest and second distances.
    Helper.InHalves(Points.size(), [this](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) SearchAll(i);
        return true;
    });
    Fresh = true;
    struct TTally {
        std::vector<double> Error, Removal, WorstPoint;
        std::vector<size_t> WorstAt;
    } tally[2];
    Helper.InHalves(Points.size(), [&](int part, size_t begin, size_t end) {
        TTally& t = tally[part];
        t.Error.assign(k, 0);
        t.Removal.assign(k, 0);
        t.WorstPoint.assign(k, -1);
        t.WorstAt.assign(k, 0);
        for (size_t i = begin; i < end; ++i) {
            const int32_t c = Owner[i];
            const double own = Points[i].Weight * Upper[i] * Upper[i];
            t.Error[c] += own;
            t.Removal[c] += Points[i].Weight * Lower[i] * Lower[i] - own;
            if (own > t.WorstPoint[c]) {
                t.WorstPoint[c] = own;
                t.WorstAt[c] = i;
            }
        }
        return false;
    });
    // Part 0's points come first: its worst point wins a tie, as in one pass.
    std::vector<double> error(k), removal(k);
    std::vector<size_t> worstAt(k);
    for (size_t c = 0; c < k; ++c) {
        error[c] = tally[0].Error[c] + tally[1].Error[c];
        removal[c] = tally[0].Removal[c] + tally[1].Removal[c];
        worstAt[c] = tally[1].WorstPoint[c] > tally[0].WorstPoint[c] ? tally[1].WorstAt[c]
                                                                     : tally[0].WorstAt[c];
    }
    std::vector<size_t> byRemoval(k), byError(k);
    std::iota(byRemoval.begin(), byRemoval.end(), 0);
    std::iota(byError.begin(), byError.end(), 0);
    std::stable_sort(byRemoval.begin(), byRemoval.end(),
                     [&](size_t a, size_t b) { return removal[a] < removal[b]; });
    std::stable_sort(byError.begin(), byError.end(),
                     [&](size_t a, size_t b) { return error[a] > error[b]; });
    std::vector<bool> used(k, false);
    std::vector<size_t> donors;
    size_t next = 0;
    for (int moved = 0; moved < count; ++moved) {
        while (next < k && used[byError[next]]) ++next;
        if (next >= k) break;
        const size_t receiver = byError[next];
        used[receiver] = true;
        const auto donor =
            std::find_if(byRemoval.begin(), byRemoval.end(), [&](size_t c) { return !used[c]; });
        if (donor == byRemoval.end() || removal[*donor] >= error[receiver]) break;
        used[*donor] = true;
        donors.push_back(*donor);
        Centres[*donor] = Points[worstAt[receiver]].P;
    }
    MoveDonors(donors);
}

// Keeps the exact bounds of SplitWorst valid after the donors moved: their
// own points must search again; every other point's bound on the other
// centres also covers the donors' new places.
void TKMeans::MoveDonors(const std::vector<size_t>& donors) {
    SortCentres();
    std::vector<bool> moved(Centres.size(), false);
    for (size_t c : donors) moved[c] = true;
    Helper.InHalves(Points.size(), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            if (moved[Owner[i]]) {
                Upper[i] = std::numeric_limits<double>::max();
                Lower[i] = 0;
                continue;
            }
            for (size_t c : donors)
                Lower[i] = std::min(Lower[i], std::sqrt(Squared(Points[i].P, Centres[c])));
        }
        return false;
    });
}

// The refined centres as palette colours: rounded, converted, snapped,
// each distinct colour once, then topped up from `earlier`.
std::vector<FoundColor> SnapCentres(const TEngineRun& run, const OutputGrid& grid,
                                    const std::vector<Vec3>& centres,
                                    const std::vector<FoundColor>& earlier) {
    std::vector<FoundColor> found;
    const auto target = static_cast<size_t>(run.TargetColors);
    auto add = [&](ColorValue color) {
        if (found.size() >= target) return;
        for (const FoundColor& f : found)
            if (f.Color == color) return;
        found.push_back(FoundColor{color, double(ToColorPoint(run.ColorSpace, color).Y)});
    };
    for (const Vec3& c : centres) {
        const auto round = [](double x) { return int32_t(std::floor(x + 0.5)); };
        const ColorValue color =
            FromColorPoint(run.ColorSpace, round(c[0]), round(c[1]), round(c[2]));
        add(SnapToOutputGrid(grid, run.ColorSpace, color) & 0xFFFFFF);
    }
    for (const FoundColor& f : earlier) add(f.Color);
    return found;
}

}  // namespace

bool RefinePalette(TEngineRun& run, const OutputGrid& grid, std::span<const ColorEntry> entries,
                   std::span<const std::array<double, 3>> means, std::vector<FoundColor>& found) {
    const int32_t level = run.Job.Refine;
    if (level <= 0 || level > RefineLevelMax || means.empty() ||
        entries.size() <= static_cast<size_t>(run.TargetColors))
        return true;
    const TRefinePlan& plan = RefinePlans[level];
    const size_t k = std::min(means.size(), static_cast<size_t>(run.TargetColors));
    std::vector<Vec3> seeds(means.begin(), means.begin() + k);
    for (Vec3& seed : seeds) seed = ToRefineSpace(seed);
    const bool polish = plan.Polish && k <= PolishMaxColors;
    // The final stage's points are gathered on a helper thread meanwhile.
    std::future<std::vector<TPoint>> finePoints;
    if (plan.FinalIterations > 0) {
        const auto gather = [entries, polish] { return GatherPoints(entries, 0, polish); };
        try {
            finePoints = std::async(std::launch::async, gather);
        } catch (const std::system_error&) {
            finePoints = std::async(std::launch::deferred, gather);
        }
    }
    std::vector<uint32_t> cubeOf;
    THelper helper;
    TKMeans kmeans(helper, GatherPoints(entries, plan.CellShift, polish, &cubeOf),
                   std::move(seeds));
    if (!kmeans.Iterate(run, plan.Iterations)) return false;
    std::vector<Vec3> best = kmeans.CentreList();
    double bestError = kmeans.TotalError();
    const int perRound = std::max<int>(1, int(k) / 32);
    for (int round = 0; round < plan.SplitRounds && k > 1; ++round) {
        kmeans.SplitWorst(perRound);
        if (!kmeans.Iterate(run, plan.Iterations)) return false;
        const double error = kmeans.TotalError();
        if (error < bestError) {
            bestError = error;
            best = kmeans.CentreList();
        } else {
            kmeans.SetCentres(best);
        }
    }
    if (plan.FinalIterations > 0 && plan.CellShift > 0) {
        // A merged cube goes to one centre as a whole, so colours of a cube
        // that a border between two centres crosses count for the wrong
        // one; a few steps over the exact colours settle the borders.
        kmeans.SetCentres(best);
        TKMeans fine(finePoints.get(), kmeans, cubeOf);
        if (!fine.Iterate(run, plan.FinalIterations)) return false;
        best = fine.CentreList();
    }
    for (Vec3& centre : best) centre = FromRefineSpace(centre);
    found = SnapCentres(run, grid, best, found);
    if (polish) return PolishPalette(run, grid, entries, found);
    return true;
}
