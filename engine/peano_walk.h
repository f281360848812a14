#pragma once
// The gPeanos walk: a Peano-like curve through a picture of any size from
// 1x1 up. It visits every pixel exactly once, each step moves to a pixel
// sharing an edge with the previous one, and each part of the picture is cut
// in two along its longer side. It starts at the top-left pixel and ends at
// the bottom-right one when the width or height is odd, otherwise at the
// top-right one (width >= height) or the bottom-left one.
//
// The visitor is a template parameter so the per-pixel rule is inlined into
// the step loops: bool visit(int32_t x, int32_t y), returning false to stop
// the walk at once.

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

// A unit step along one axis: (1,0), (-1,0), (0,1) or (0,-1).
struct TWalkStep {
    int32_t Dx = 0;
    int32_t Dy = 0;
    TWalkStep operator-() const { return TWalkStep{-Dx, -Dy}; }
};

template <class Visitor>
class TPeanoWalker {
  public:
    explicit TPeanoWalker(Visitor& visit) : visit_(visit) {}

    // Visits all width*height pixels from (0, 0). False when the visitor stopped it.
    bool PeanoWalk(int32_t width, int32_t height) {
        x_ = 0;
        y_ = 0;
        if (!StepTo(TWalkStep{0, 0})) return false;
        const TWalkStep right{1, 0};
        const TWalkStep down{0, 1};
        if (width % 2 != 0 || height % 2 != 0) return WalkBlock(width, height, right, down);
        if (width >= height) return WalkPair(width, height, right, down);
        return WalkPair(height, width, down, right);
    }

    // Block of a pixels along u by b along v, at least one of them odd, whose
    // corner (0, 0) is the current, already visited position; walks to the
    // opposite corner (a-1, b-1).
    bool WalkBlock(int32_t a, int32_t b, TWalkStep u, TWalkStep v) {
        if (a == 1) return StepRepeat(v, b - 1);
        if (b == 1) return StepRepeat(u, a - 1);
        if (a < b) {
            std::swap(a, b);
            std::swap(u, v);
        }
        // Cut the longer side into an even first part and the rest:
        // a mod 4 = 0, 1 gives (h, a-h); 2, 3 gives (h+1, a-h-1).
        const int32_t h = a / 2;
        const int32_t first = (a % 4 >= 2) ? h + 1 : h;
        return WalkPair(first, b, u, v) && StepTo(u) && WalkBlock(a - first, b, u, v);
    }

    // Block of a (even) pixels along u by b along v from the current position;
    // walks out along v and back, ending at the corner (a-1, 0).
    bool WalkPair(int32_t a, int32_t b, TWalkStep u, TWalkStep v) {
        const int32_t h = a / 2;
        // Each half needs an odd side so WalkBlock can end at its far corner.
        const int32_t first = (b % 2 == 0 && h % 2 == 0) ? h + 1 : h;
        return WalkBlock(first, b, u, v) && StepTo(u) && WalkBlock(a - first, b, u, -v);
    }

    // Moves by one step (or none, for the first pixel) and visits the pixel there.
    bool StepTo(TWalkStep step) {
        x_ += step.Dx;
        y_ += step.Dy;
        return visit_(x_, y_);
    }

  private:
    bool StepRepeat(TWalkStep step, int32_t count) {
        for (int32_t n = 0; n < count; ++n) {
            if (!StepTo(step)) return false;
        }
        return true;
    }

    Visitor& visit_;
    int32_t x_ = 0;
    int32_t y_ = 0;
};

// Walks a width x height picture (both >= 1), calling visit(x, y) for every
// pixel in walk order. Returns false when the visitor stopped the walk.
template <class Visitor>
bool PeanoWalk(int32_t width, int32_t height, Visitor&& visit) {
    TPeanoWalker<std::remove_reference_t<Visitor>> walker(visit);
    return walker.PeanoWalk(width, height);
}

// The step number of every pixel, row by row from the top (width*height
// entries): the walk order as a table, for tests and tools.
std::vector<int64_t> PeanoOrder(int32_t width, int32_t height);
