#include "engine/peano_walk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using Visits = std::vector<std::pair<int32_t, int32_t>>;

Visits WalkOf(int32_t width, int32_t height) {
    Visits visits;
    PeanoWalk(width, height, [&](int32_t x, int32_t y) {
        visits.emplace_back(x, y);
        return true;
    });
    return visits;
}

TEST(PeanoWalk, Table4x4) {
    const std::vector<int64_t> expected = {0, 1, 2,  15,  //
                                           5, 4, 3,  14,  //
                                           6, 9, 10, 13,  //
                                           7, 8, 11, 12};
    EXPECT_EQ(PeanoOrder(4, 4), expected);
}

TEST(PeanoWalk, Table5x3) {
    const std::vector<int64_t> expected = {0, 5, 6, 11, 12,  //
                                           1, 4, 7, 10, 13,  //
                                           2, 3, 8, 9,  14};
    EXPECT_EQ(PeanoOrder(5, 3), expected);
}

TEST(PeanoWalk, Table6x4) {
    const std::vector<int64_t> expected = {0, 1, 2,  19, 20, 23,  //
                                           5, 4, 3,  18, 21, 22,  //
                                           6, 9, 10, 17, 16, 15,  //
                                           7, 8, 11, 12, 13, 14};
    EXPECT_EQ(PeanoOrder(6, 4), expected);
}

TEST(PeanoWalk, ThreeByTwo) {
    const Visits expected = {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}, {2, 1}};
    EXPECT_EQ(WalkOf(3, 2), expected);
}

TEST(PeanoWalk, SingleRowAndColumnGoStraight) {
    for (int32_t n : {1, 2, 3, 7, 8, 33}) {
        const Visits row = WalkOf(n, 1);
        const Visits column = WalkOf(1, n);
        ASSERT_EQ(row.size(), static_cast<size_t>(n));
        ASSERT_EQ(column.size(), static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            EXPECT_EQ(row[i], std::make_pair(i, 0)) << n;
            EXPECT_EQ(column[i], std::make_pair(0, i)) << n;
        }
    }
}

// Every size: each pixel exactly once, unit steps, and the end corner that
// the parity of the size decides.
TEST(PeanoWalk, PropertiesOverManySizes) {
    for (int32_t height = 1; height <= 40; ++height) {
        for (int32_t width = 1; width <= 40; ++width) {
            std::vector<int> seen(static_cast<size_t>(width * height), 0);
            int32_t lastX = 0, lastY = 0;
            int64_t count = 0;
            bool ok = true;
            PeanoWalk(width, height, [&](int32_t x, int32_t y) {
                if (x < 0 || x >= width || y < 0 || y >= height) {
                    ok = false;
                    return false;
                }
                if (count > 0 && std::abs(x - lastX) + std::abs(y - lastY) != 1) ok = false;
                ++seen[y * width + x];
                lastX = x;
                lastY = y;
                ++count;
                return true;
            });
            ASSERT_TRUE(ok) << width << "x" << height;
            ASSERT_EQ(count, int64_t{width} * height) << width << "x" << height;
            for (int s : seen) ASSERT_EQ(s, 1) << width << "x" << height;
            std::pair<int32_t, int32_t> end;
            if (width % 2 != 0 || height % 2 != 0) {
                end = {width - 1, height - 1};
            } else if (width >= height) {
                end = {width - 1, 0};
            } else {
                end = {0, height - 1};
            }
            EXPECT_EQ(std::make_pair(lastX, lastY), end) << width << "x" << height;
        }
    }
}

TEST(PeanoWalk, LargeAndLopsidedSizesStayConsistent) {
    for (auto [width, height] : {std::pair{1000, 3}, {3, 1000}, {257, 256}, {512, 510}, {999, 1}}) {
        int64_t count = 0;
        int32_t lastX = 0, lastY = 0;
        bool adjacent = true;
        PeanoWalk(width, height, [&](int32_t x, int32_t y) {
            if (count > 0 && std::abs(x - lastX) + std::abs(y - lastY) != 1) adjacent = false;
            lastX = x;
            lastY = y;
            ++count;
            return true;
        });
        EXPECT_TRUE(adjacent) << width << "x" << height;
        EXPECT_EQ(count, int64_t{width} * height);
    }
}

TEST(PeanoWalk, VisitorCanStopTheWalk) {
    int64_t count = 0;
    const bool finished = PeanoWalk(20, 20, [&](int32_t, int32_t) { return ++count < 57; });
    EXPECT_FALSE(finished);
    EXPECT_EQ(count, 57);
    EXPECT_TRUE(PeanoWalk(3, 3, [](int32_t, int32_t) { return true; }));
}

}  // namespace
