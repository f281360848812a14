#pragma once
// A plain, slow restatement of the mapping rules for the dither tests: full
// error pictures instead of rotating rows, a brute-force nearest search, the
// walk order given as a table. Shares no code with the engine beyond
// ToColorPoint.

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/color_space.h"
#include "engine/engine_run.h"

namespace reference {

struct Point3 {
    int64_t C[3];
};

inline Point3 PointOf(const ColorPoint& p) { return Point3{{p.U, p.V, p.Y}}; }

struct Geometry {
    double Mean[3];
    double Max[13];
    double Min[13];
    int64_t Extent[3];
};

constexpr int Directions[13][3] = {{1, 0, 0},  {0, 1, 0},   {0, 0, 1}, {1, 1, 0},  {1, 0, 1},
                                   {1, 0, -1}, {1, -1, 0},  {0, 1, 1}, {0, 1, -1}, {1, 1, 1},
                                   {1, -1, 1}, {1, -1, -1}, {1, 1, -1}};

inline Geometry GeometryOf(const std::vector<Point3>& palette, int count) {
    Geometry g{};
    for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int e = 0; e < count; ++e) sum += static_cast<double>(palette[e].C[c]);
        g.Mean[c] = sum / count;
    }
    for (int k = 0; k < 13; ++k) {
        for (int e = 0; e < count; ++e) {
            double s = 0;
            for (int c = 0; c < 3; ++c)
                s += static_cast<double>(palette[e].C[c]) * Directions[k][c];
            if (e == 0 || s > g.Max[k]) g.Max[k] = s;
            if (e == 0 || s < g.Min[k]) g.Min[k] = s;
        }
    }
    for (int c = 0; c < 3; ++c) g.Extent[c] = static_cast<int64_t>(g.Max[c] - g.Min[c]);
    return g;
}

inline int Nearest(const std::vector<Point3>& palette, int searchCount, const Point3& p) {
    int best = 0;
    double bestDistance = 0;
    for (int e = 0; e < searchCount; ++e) {
        double d = 0;
        for (int c = 0; c < 3; ++c) {
            const double diff = static_cast<double>(p.C[c] - palette[e].C[c]);
            d += diff * diff;
        }
        if (e == 0 || d < bestDistance) {
            bestDistance = d;
            best = e;
        }
    }
    return best;
}

inline int64_t Limit(int64_t e, int64_t extent) {
    return e < -extent ? -extent : e > extent ? extent : e;
}

struct Picture {
    int32_t Width;
    int32_t Height;
    std::vector<ColorValue> Pixels;
};

struct Setup {
    TColorSpace Space;
    std::vector<Point3> Palette;  // all entries; the first SearchCount searchable
    int SearchCount;
    int GeometryCount;
    uint32_t TransColor;
    int TransIndex;
    int Depth;
    int Spread;
};

inline std::vector<int> MapNone(const Setup& s, const Picture& pic) {
    std::vector<int> out;
    for (ColorValue c : pic.Pixels) {
        out.push_back(c == s.TransColor
                          ? s.TransIndex
                          : Nearest(s.Palette, s.SearchCount, PointOf(ToColorPoint(s.Space, c))));
    }
    return out;
}

struct Tap {
    int Rows;  // rows above the current one
    int H;
    int Weight;
};

// Serpentine diffusion gathering from a full-size error picture.
inline std::vector<int> MapDiffusion(const Setup& s, const Picture& pic,
                                     const std::vector<Tap>& taps, int64_t divisor) {
    const Geometry g = GeometryOf(s.Palette, s.GeometryCount);
    std::vector<Point3> error(pic.Pixels.size(), Point3{{0, 0, 0}});
    std::vector<int> out(pic.Pixels.size(), -1);
    for (int32_t y = 0; y < pic.Height; ++y) {
        const int dir = (y % 2 == 0) ? 1 : -1;
        for (int32_t n = 0; n < pic.Width; ++n) {
            const int32_t x = dir > 0 ? n : pic.Width - 1 - n;
            const size_t at = static_cast<size_t>(y) * pic.Width + x;
            if (pic.Pixels[at] == s.TransColor) {
                out[at] = s.TransIndex;
                continue;
            }
            Point3 target = PointOf(ToColorPoint(s.Space, pic.Pixels[at]));
            for (int c = 0; c < 3; ++c) {
                int64_t sum = 0;
                for (const Tap& t : taps) {
                    const int32_t ex = x + t.H * dir;
                    const int32_t ey = y - t.Rows;
                    if (ex < 0 || ex >= pic.Width || ey < 0) continue;
                    sum += t.Weight * error[static_cast<size_t>(ey) * pic.Width + ex].C[c];
                }
                target.C[c] += Limit(sum / divisor, g.Extent[c]);
            }
            const int i = Nearest(s.Palette, s.SearchCount, target);
            for (int c = 0; c < 3; ++c)
                error[at].C[c] = (target.C[c] - s.Palette[i].C[c]) * s.Depth;
            out[at] = i;
        }
    }
    return out;
}

inline std::vector<int> MapDiffuseFS(const Setup& s, const Picture& pic) {
    return MapDiffusion(s, pic, {{0, -1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}, 1600);
}

inline std::vector<int> MapMaem(const Setup& s, const Picture& pic) {
    return MapDiffusion(s, pic,
                        {{0, -2, 5},
                         {0, -1, 7},
                         {1, -2, 3},
                         {1, -1, 5},
                         {1, 0, 7},
                         {1, 1, 5},
                         {1, 2, 3},
                         {2, -2, 1},
                         {2, -1, 3},
                         {2, 0, 5},
                         {2, 1, 3},
                         {2, 2, 1}},
                        4800);
}

// `order` gives the step number of each pixel, row by row.
inline std::vector<int> MapPeanos(const Setup& s, const Picture& pic,
                                  const std::vector<int>& order) {
    const Geometry g = GeometryOf(s.Palette, s.GeometryCount);
    std::vector<size_t> walk(order.size());
    for (size_t at = 0; at < order.size(); ++at) walk[order[at]] = at;
    std::vector<int> out(pic.Pixels.size(), -1);
    Point3 carried{{0, 0, 0}};
    for (size_t at : walk) {
        if (pic.Pixels[at] == s.TransColor) {
            out[at] = s.TransIndex;
            continue;
        }
        Point3 target = PointOf(ToColorPoint(s.Space, pic.Pixels[at]));
        for (int c = 0; c < 3; ++c) target.C[c] += Limit(carried.C[c] * s.Depth / 100, g.Extent[c]);
        const int i = Nearest(s.Palette, s.SearchCount, target);
        for (int c = 0; c < 3; ++c) carried.C[c] = target.C[c] - s.Palette[i].C[c];
        out[at] = i;
    }
    return out;
}

inline Point3 PullIn(const Geometry& g, const Point3& p0) {
    Point3 p = p0;
    for (int k = 0; k < 13; ++k) {
        double s = 0, q = 0, d0 = 0;
        for (int c = 0; c < 3; ++c) {
            s += static_cast<double>(p.C[c]) * Directions[k][c];
            q += Directions[k][c] * (g.Mean[c] - static_cast<double>(p0.C[c]));
            d0 += static_cast<double>(p0.C[c]) * Directions[k][c];
        }
        if (!(s > g.Max[k] || s < g.Min[k]) || q == 0) continue;
        const double bound = s > g.Max[k] ? g.Max[k] : g.Min[k];
        const double t = (bound - d0) / q;
        for (int c = 0; c < 3; ++c) {
            p.C[c] = static_cast<int64_t>(std::trunc(
                static_cast<double>(p0.C[c]) + (g.Mean[c] - static_cast<double>(p0.C[c])) * t));
        }
    }
    return p;
}

inline double Distance(const Point3& a, const Point3& b) {
    double d = 0;
    for (int c = 0; c < 3; ++c) {
        const double diff = static_cast<double>(a.C[c] - b.C[c]);
        d += diff * diff;
    }
    return std::sqrt(d);
}

constexpr int Order[4][4] = {{0, 12, 2, 14}, {8, 4, 10, 6}, {2, 14, 0, 12}, {10, 6, 8, 4}};

inline std::vector<int> MapAnime(const Setup& s, const Picture& pic) {
    const Geometry g = GeometryOf(s.Palette, s.GeometryCount);
    std::vector<int> out;
    for (int32_t y = 0; y < pic.Height; ++y) {
        for (int32_t x = 0; x < pic.Width; ++x) {
            const ColorValue colour = pic.Pixels[static_cast<size_t>(y) * pic.Width + x];
            if (colour == s.TransColor) {
                out.push_back(s.TransIndex);
                continue;
            }
            const Point3 p = PullIn(g, PointOf(ToColorPoint(s.Space, colour)));
            const int h = Nearest(s.Palette, s.SearchCount, p);
            Point3 e;
            for (int c = 0; c < 3; ++c) e.C[c] = p.C[c] - s.Palette[h].C[c];
            int second = h;
            for (int k = 2; k <= 16 && second == h; ++k) {
                Point3 trial;
                for (int c = 0; c < 3; ++c) trial.C[c] = s.Palette[h].C[c] + k * e.C[c];
                second = Nearest(s.Palette, s.SearchCount, trial);
            }
            int index = h;
            if (second != h) {
                const double a = Distance(p, s.Palette[h]);
                const double b = Distance(p, s.Palette[second]);
                if (a + b > 0 && b < s.Spread * 1024.0) {
                    const bool hBright = s.Palette[h].C[2] >= s.Palette[second].C[2];
                    const double dB = hBright ? a : b;
                    const double dR = hBright ? b : a;
                    const int bright = hBright ? h : second;
                    const int dark = hBright ? second : h;
                    index = (Order[y % 4][x % 4] / 16.0 < dB / (dB + dR)) ? dark : bright;
                }
            }
            out.push_back(index);
        }
    }
    return out;
}

}  // namespace reference
