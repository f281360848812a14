#include "engine/color_space.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr ColorValue White = MakeColor(255, 255, 255);
constexpr ColorValue Blue = MakeColor(0, 0, 255);
constexpr ColorValue Black = MakeColor(0, 0, 0);

TEST(ColorSpace, WorkedValuesAtWeight80) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    EXPECT_EQ(ToColorPoint(space, White), (ColorPoint{5, 5, 65280}));
    EXPECT_EQ(ToColorPoint(space, Blue), (ColorPoint{23555, -4144, 7475}));
    EXPECT_EQ(ToColorPoint(space, Black), (ColorPoint{0, 0, 0}));
}

TEST(ColorSpace, WorkedValuesComeBackAtWeight80) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    for (ColorValue c : {White, Blue, Black}) {
        const ColorPoint p = ToColorPoint(space, c);
        EXPECT_EQ(FromColorPoint(space, p.U, p.V, p.Y), c) << std::hex << c;
    }
}

TEST(ColorSpace, Weight100IsTheIdentity) {
    const TColorSpace space = PrepareColorSpace(100, 100, 100);
    const double identity[4] = {1, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(space.ChromaMatrix[i], identity[i], 1e-12);
        EXPECT_NEAR(space.InverseChromaMatrix[i], identity[i], 1e-12);
    }
    EXPECT_EQ(ToColorPoint(space, Blue), (ColorPoint{32640, -5327, 7475}));
}

TEST(ColorSpace, TopByteIsIgnored) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    EXPECT_EQ(ToColorPoint(space, Blue | 0xAB000000u), ToColorPoint(space, Blue));
}

// The blue scaling multiplies the chroma component along the blue primary's
// direction by its factor and leaves the perpendicular one alone.
TEST(ColorSpace, BlueWeightScalesAlongTheBlueDirection) {
    const TColorSpace space = PrepareColorSpace(50, 100, 100);
    const double length = std::hypot(0.5, -0.0816);
    const double p = 0.5 / length, q = -0.0816 / length;
    const double* m = space.ChromaMatrix;
    EXPECT_NEAR(m[0] * p + m[1] * q, 0.5 * p, 1e-12);
    EXPECT_NEAR(m[2] * p + m[3] * q, 0.5 * q, 1e-12);
    EXPECT_NEAR(m[0] * -q + m[1] * p, -q, 1e-12);
    EXPECT_NEAR(m[2] * -q + m[3] * p, p, 1e-12);
}

TEST(ColorSpace, InverseUndoesTheChromaMatrix) {
    const TColorSpace space = PrepareColorSpace(30, 130, 65);
    const double* m = space.ChromaMatrix;
    const double* i = space.InverseChromaMatrix;
    EXPECT_NEAR(m[0] * i[0] + m[1] * i[2], 1, 1e-12);
    EXPECT_NEAR(m[0] * i[1] + m[1] * i[3], 0, 1e-12);
    EXPECT_NEAR(m[2] * i[0] + m[3] * i[2], 0, 1e-12);
    EXPECT_NEAR(m[2] * i[1] + m[3] * i[3], 1, 1e-12);
}

TEST(ColorSpace, FromColorPointClampsEachChannel) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    EXPECT_EQ(FromColorPoint(space, 0, 0, 90000), White);
    EXPECT_EQ(FromColorPoint(space, 0, 0, -5000), Black);
}

// Greys and primaries survive the round trip at the default weights.
TEST(ColorSpace, RoundTripOfGreysAndPrimaries) {
    const TColorSpace space = PrepareColorSpace(80, 80, 80);
    for (int level = 0; level < 256; level += 5) {
        for (ColorValue c : {MakeColor(level, level, level), MakeColor(level, 0, 0),
                             MakeColor(0, level, 0), MakeColor(0, 0, level)}) {
            const ColorPoint p = ToColorPoint(space, c);
            EXPECT_EQ(FromColorPoint(space, p.U, p.V, p.Y), c) << std::hex << c;
        }
    }
}

}  // namespace
