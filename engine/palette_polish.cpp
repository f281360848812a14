#include "engine/palette_polish.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "engine/color_cubes.h"

namespace {

// The search runs in stages, each over the colours merged into cubes of
// 2^Shift units (256 units are one colour level) and trying moves of the
// given sizes in output levels, largest first: the large moves over coarse
// cubes, which are few, the last small moves over nearly the colours
// themselves. A cube goes to one entry as a whole, and the squared error of
// its colours is the cube's error at their mean plus a constant, so each
// stage sees nearly the picture's own error.
struct TStage {
    int Shift;
    std::array<int, 4> Steps;  // 0 ends the list
};
constexpr TStage Stages[] = {{9, {8, 4, 2, 1}}, {8, {2, 1, 0, 0}}};

// Each step size is swept over all colours until no move helps, at most
// this many times.
constexpr int MaxSweeps = 6;

// The directions a colour moves in: each channel alone, all three (lighter
// or darker), and the pairs, in R, G, B.
constexpr int Directions[][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1}, {1, 1, 1}, {1, -1, 0},
                                 {0, 1, -1}, {1, 0, -1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};

struct TPoint {
    double P[3];    // U, V, Y in the job's space
    double Rgb[3];  // the mean colour, in levels
    double Weight;  // pixels
};

struct TCentre {
    ColorValue Color;
    double P[3];
    double Rgb[3];
};

TCentre MakeCentre(const TColorSpace& space, ColorValue color) {
    const ColorPoint p = ToColorPoint(space, color);
    return TCentre{color,
                   {double(p.U), double(p.V), double(p.Y)},
                   {double(RedOf(color)), double(GreenOf(color)), double(BlueOf(color))}};
}

double Squared(const double* a, const double* b) {
    const double d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
    return d0 * d0 + d1 * d1 + d2 * d2;
}

std::vector<TPoint> GatherPoints(const TColorSpace& space, std::span<const ColorEntry> entries,
                                 int shift) {
    size_t count = 0;
    const std::vector<uint32_t> cubeOf = GroupIntoCubes(entries, shift, count);
    std::vector<TPoint> points(count, TPoint{{0, 0, 0}, {0, 0, 0}, 0});
    for (size_t i = 0; i < entries.size(); ++i) {
        const ColorEntry& e = entries[i];
        TPoint& point = points[cubeOf[i]];
        const double w = e.Count;
        const ColorValue color = FromColorPoint(space, e.U, e.V, e.Y);
        point.P[0] += w * e.U;
        point.P[1] += w * e.V;
        point.P[2] += w * e.Y;
        point.Rgb[0] += w * RedOf(color);
        point.Rgb[1] += w * GreenOf(color);
        point.Rgb[2] += w * BlueOf(color);
        point.Weight += w;
    }
    for (TPoint& point : points) {
        for (int c = 0; c < 3; ++c) {
            point.P[c] /= point.Weight;
            point.Rgb[c] /= point.Weight;
        }
    }
    return points;
}

// The points with their nearest and second-nearest entries in the job's
// space. A move of one entry by a distance of at most Reach can only change
// the entry of a point whose two nearest lie closer together than that (the
// boundary points); every other point of the entry stays with it, and their
// error changes by a formula in their sums. So a move is judged by its
// boundary points alone.
class TPolish {
  public:
    TPolish(std::vector<TPoint> points, std::vector<TCentre> centres, size_t movable)
        : Points(std::move(points)),
          Centres(std::move(centres)),
          Movable(movable),
          Own(Points.size()),
          Second(Points.size()),
          DOwn(Points.size()),
          DSecond(Points.size()) {
        for (size_t p = 0; p < Points.size(); ++p) Search(p);
    }

    // Prepares for moves no longer than `reach` in the job's space.
    void SetReach(double reach) {
        Reach = reach;
        Rebuild();
    }
    // The change of the total error if centre i moved to `to`, for a move
    // within the reach; it misses only a point whose two nearest are other
    // centres and which the move brings nearer than both (Move counts
    // every point).
    double Estimate(size_t i, const TCentre& to) const;
    // Moves centre i to `to` when that lowers the total error; true then,
    // else everything stays as it was.
    bool Move(size_t i, const TCentre& to);

    const std::vector<TCentre>& CentreList() const { return Centres; }
    size_t MovableCount() const { return Movable; }

  private:
    struct TSaved {
        uint32_t Point;
        int32_t Own, Second;
        double DOwn, DSecond;
    };

    void Search(size_t p);
    void Rebuild();
    // Counts point p, in its present state, in its centre's bulk or in the
    // boundary lists of its two nearest; Forget undoes that for the state
    // it was counted in (`own` its nearest then).
    void Count(size_t p);
    void Forget(size_t p, int32_t own);
    double ErrorTo(size_t p, const double* rgb) const {
        return Points[p].Weight * Squared(Points[p].Rgb, rgb);
    }

    std::vector<TPoint> Points;
    std::vector<TCentre> Centres;  // the movable ones first
    size_t Movable;
    std::vector<int32_t> Own, Second;
    std::vector<double> DOwn, DSecond;
    double Reach = 0;
    // Per centre: weight and RGB sums of its points off the boundary, and
    // the boundary points that have it nearest or second.
    std::vector<double> BulkWeight;
    std::vector<std::array<double, 3>> BulkSum;
    std::vector<std::vector<uint32_t>> Boundary;
    // Per point: whether it is in the boundary lists, and which two lists
    // at which places.
    std::vector<uint8_t> OnBoundary;
    std::vector<std::array<int32_t, 2>> ListOf;
    std::vector<std::array<uint32_t, 2>> PlaceIn;
    std::vector<TSaved> Saved;  // scratch of Move
};

// Nearest and second-nearest centre of point p in the job's space (the
// lowest index among equals).
void TPolish::Search(size_t p) {
    constexpr double Far = std::numeric_limits<double>::max();
    double best = Far, second = Far;
    int32_t own = 0, next = 0;
    for (size_t c = 0; c < Centres.size(); ++c) {
        const double d = Squared(Points[p].P, Centres[c].P);
        if (d < best) {
            second = best;
            next = own;
            best = d;
            own = int32_t(c);
        } else if (d < second) {
            second = d;
            next = int32_t(c);
        }
    }
    Own[p] = own;
    Second[p] = Centres.size() > 1 ? next : own;
    DOwn[p] = best;
    DSecond[p] = second;
}

void TPolish::Rebuild() {
    const size_t k = Centres.size();
    BulkWeight.assign(k, 0);
    BulkSum.assign(k, {0, 0, 0});
    Boundary.assign(k, {});
    OnBoundary.assign(Points.size(), 0);
    ListOf.resize(Points.size());
    PlaceIn.resize(Points.size());
    for (size_t p = 0; p < Points.size(); ++p) Count(p);
}

void TPolish::Count(size_t p) {
    const int32_t own = Own[p];
    if (Second[p] != own && std::sqrt(DSecond[p]) - std::sqrt(DOwn[p]) < Reach) {
        OnBoundary[p] = 1;
        ListOf[p] = {own, Second[p]};
        for (int slot = 0; slot < 2; ++slot) {
            std::vector<uint32_t>& list = Boundary[ListOf[p][slot]];
            PlaceIn[p][slot] = uint32_t(list.size());
            list.push_back(uint32_t(p));
        }
        return;
    }
    OnBoundary[p] = 0;
    const TPoint& point = Points[p];
    BulkWeight[own] += point.Weight;
    for (int c = 0; c < 3; ++c) BulkSum[own][c] += point.Weight * point.Rgb[c];
}

void TPolish::Forget(size_t p, int32_t own) {
    if (!OnBoundary[p]) {
        const TPoint& point = Points[p];
        BulkWeight[own] -= point.Weight;
        for (int c = 0; c < 3; ++c) BulkSum[own][c] -= point.Weight * point.Rgb[c];
        return;
    }
    // Out of both lists: the last point of a list takes p's place.
    for (int slot = 0; slot < 2; ++slot) {
        const int32_t centre = ListOf[p][slot];
        std::vector<uint32_t>& list = Boundary[centre];
        const uint32_t place = PlaceIn[p][slot];
        const uint32_t last = list.back();
        list[place] = last;
        PlaceIn[last][ListOf[last][0] == centre ? 0 : 1] = place;
        list.pop_back();
    }
    OnBoundary[p] = 0;
}

double TPolish::Estimate(size_t i, const TCentre& to) const {
    // Points off the boundary: sum of w |x - q|^2 - w |x - c|^2.
    const double* c = Centres[i].Rgb;
    const double* q = to.Rgb;
    double change = 0;
    for (int j = 0; j < 3; ++j)
        change += BulkWeight[i] * (q[j] * q[j] - c[j] * c[j]) - 2 * (q[j] - c[j]) * BulkSum[i][j];
    for (uint32_t p : Boundary[i]) {
        const double d = Squared(Points[p].P, to.P);
        if (size_t(Own[p]) == i) {
            const double* now = d <= DSecond[p] ? q : Centres[Second[p]].Rgb;
            change += ErrorTo(p, now) - ErrorTo(p, c);
        } else if (d < DOwn[p]) {
            change += ErrorTo(p, q) - ErrorTo(p, Centres[Own[p]].Rgb);
        }
    }
    return change;
}

// Every point that had centre i nearest or second, or that its new place
// may now serve, searches again; the change of the total error is summed
// over them.
bool TPolish::Move(size_t i, const TCentre& to) {
    const TCentre from = Centres[i];
    Centres[i] = to;
    Saved.clear();
    double change = 0;
    for (size_t p = 0; p < Points.size(); ++p) {
        if (size_t(Own[p]) != i && size_t(Second[p]) != i &&
            Squared(Points[p].P, to.P) >= DSecond[p])
            continue;
        Saved.push_back(TSaved{uint32_t(p), Own[p], Second[p], DOwn[p], DSecond[p]});
        const double before = ErrorTo(p, size_t(Own[p]) == i ? from.Rgb : Centres[Own[p]].Rgb);
        Search(p);
        change += ErrorTo(p, Centres[Own[p]].Rgb) - before;
    }
    if (change < 0) {
        for (const TSaved& s : Saved) {
            Forget(s.Point, s.Own);
            Count(s.Point);
        }
        return true;
    }
    Centres[i] = from;
    for (const TSaved& s : Saved) {
        Own[s.Point] = s.Own;
        Second[s.Point] = s.Second;
        DOwn[s.Point] = s.DOwn;
        DSecond[s.Point] = s.DSecond;
    }
    return false;
}

// The colour one step of `levels` away from `color` in direction d, on the
// grid; false when the step leads nowhere (the edge of the cube, or a grid
// coarser than the step).
bool Step(const OutputGrid& grid, ColorValue color, int d, int levels, ColorValue& moved) {
    int value[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
    bool changed = false;
    for (int c = 0; c < 3; ++c) {
        const int delta = Directions[d][c] * levels;
        if (delta == 0) continue;
        const int target = std::clamp(value[c] + delta, 0, 255);
        const int level = delta > 0 ? grid.Above[c][target] : grid.Below[c][target];
        changed |= level != value[c];
        value[c] = level;
    }
    moved = MakeColor(value[0], value[1], value[2]);
    return changed;
}

// The longest distance in the job's space a step of `levels` in any
// direction moves a colour (measured at mid-grey; the space is linear but
// for rounding, which the margin covers).
double ReachOf(const TColorSpace& space, int levels) {
    const TCentre middle = MakeCentre(space, MakeColor(128, 128, 128));
    double reach = 0;
    for (const auto& d : Directions) {
        const TCentre moved = MakeCentre(
            space, MakeColor(128 + d[0] * levels, 128 + d[1] * levels, 128 + d[2] * levels));
        reach = std::max(reach, std::sqrt(Squared(middle.P, moved.P)));
    }
    return reach + 2;
}

}  // namespace

bool PolishPalette(TEngineRun& run, const OutputGrid& grid, std::span<const ColorEntry> entries,
                   std::vector<FoundColor>& found) {
    if (found.empty() || found.size() > PolishMaxColors || entries.empty()) return true;
    const TColorSpace& space = run.ColorSpace;
    std::vector<TCentre> centres;
    for (const FoundColor& f : found) centres.push_back(MakeCentre(space, f.Color));
    for (ColorValue locked : run.Job.LockedColors)
        centres.push_back(MakeCentre(space, locked & 0xFFFFFF));
    if (run.Job.AddFixed16)
        for (ColorValue fixed : Fixed16Colors) centres.push_back(MakeCentre(space, fixed));

    bool stopped = false;
    for (const TStage& stage : Stages) {
        TPolish polish(GatherPoints(space, entries, stage.Shift), centres, found.size());
        auto taken = [&](ColorValue color) {
            for (const TCentre& c : polish.CentreList())
                if (c.Color == color) return true;
            return false;
        };
        for (int levels : stage.Steps) {
            if (levels == 0) break;
            polish.SetReach(ReachOf(space, levels));
            for (int sweep = 0; sweep < MaxSweeps; ++sweep) {
                if (run.StopRequested()) {
                    stopped = true;
                    break;
                }
                bool improved = false;
                for (size_t i = 0; i < polish.MovableCount(); ++i) {
                    for (size_t d = 0; d < std::size(Directions); ++d) {
                        for (int sign : {1, -1}) {
                            ColorValue moved;
                            const ColorValue now = polish.CentreList()[i].Color;
                            if (!Step(grid, now, int(d), sign * levels, moved) || taken(moved))
                                continue;
                            const TCentre to = MakeCentre(space, moved);
                            if (polish.Estimate(i, to) >= 0 || !polish.Move(i, to)) continue;
                            improved = true;
                            break;
                        }
                    }
                }
                if (!improved) break;
            }
            if (stopped) break;
        }
        centres = polish.CentreList();
        if (stopped) break;
    }
    for (size_t i = 0; i < found.size(); ++i)
        found[i] = FoundColor{centres[i].Color, double(ToColorPoint(space, centres[i].Color).Y)};
    return !stopped;
}
