// Keeping a stored window place reachable.

#include "app/window_placement.h"

#include <gtest/gtest.h>

namespace {

struct PlacementCase {
    const char* Name;
    TBounds Stored;
    TBounds Expected;
};

const QList<QRect> kScreens = {QRect(0, 0, 1280, 1000), QRect(1280, 0, 1920, 1080)};

class KeepOnScreenTest : public ::testing::TestWithParam<PlacementCase> {};

bool Same(const TBounds& a, const TBounds& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

}  // namespace

TEST_P(KeepOnScreenTest, MovesOnlyUnreachableWindows) {
    const PlacementCase& c = GetParam();
    const TBounds placed = KeepOnScreen(c.Stored, kScreens);
    EXPECT_TRUE(Same(placed, c.Expected))
        << placed.Left << "," << placed.Top << " " << placed.Width << "x" << placed.Height;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepOnScreenTest,
    ::testing::Values(
        PlacementCase{"OnPrimary", {30, 40, 700, 500}, {30, 40, 700, 500}},
        PlacementCase{"OnSecondScreen", {2000, 100, 800, 600}, {2000, 100, 800, 600}},
        PlacementCase{"PartlyOffTheLeftEdge", {-300, 10, 700, 500}, {-300, 10, 700, 500}},
        PlacementCase{"RemovedMonitor", {-5000, 40, 700, 500}, {290, 250, 700, 500}},
        PlacementCase{"BelowEveryScreen", {100, 3000, 700, 500}, {290, 250, 700, 500}},
        PlacementCase{"TitleAboveTheScreen", {100, -400, 700, 500}, {290, 250, 700, 500}},
        PlacementCase{"TooLargeForThePrimary", {-9000, 0, 4000, 3000}, {0, 0, 1280, 1000}}),
    [](const auto& info) { return info.param.Name; });

TEST(KeepOnScreen, NoScreenKnownKeepsTheStoredPlace) {
    const TBounds stored{-5000, -5000, 700, 500};
    EXPECT_EQ(KeepOnScreen(stored, {}).Left, -5000);
}
