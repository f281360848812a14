#include "engine/color_space.h"

#include <cmath>

namespace {

using Matrix = double[4];

// Scaling by factor f along the unit direction of d, identity across it.
// Returns false for a zero-length direction.
bool DirectionScaling(double dCb, double dCr, double factor, Matrix out) {
    const double length = std::sqrt(dCb * dCb + dCr * dCr);
    if (length == 0) return false;
    const double p = dCb / length;
    const double q = dCr / length;
    out[0] = 1 + (factor - 1) * (p * p);
    out[1] = (factor - 1) * p * q;
    out[2] = (factor - 1) * p * q;
    out[3] = 1 + (factor - 1) * (q * q);
    return true;
}

void Multiply(const Matrix a, const Matrix b, Matrix out) {
    const double r0 = a[0] * b[0] + a[1] * b[2];
    const double r1 = a[0] * b[1] + a[1] * b[3];
    const double r2 = a[2] * b[0] + a[3] * b[2];
    const double r3 = a[2] * b[1] + a[3] * b[3];
    out[0] = r0;
    out[1] = r1;
    out[2] = r2;
    out[3] = r3;
}

int32_t RoundHalfUp(double x) { return static_cast<int32_t>(std::floor(x + 0.5)); }

}  // namespace

TColorSpace PrepareColorSpace(int32_t weightBlue, int32_t weightRed, int32_t weightGreen) {
    TColorSpace space;
    Matrix blue, red, green;
    const bool ok = DirectionScaling(0.5, -0.0816, weightBlue * 0.01, blue) &&
                    DirectionScaling(-0.1687, 0.5, weightRed * 0.01, red) &&
                    DirectionScaling(0.3312, 0.4183, weightGreen * 0.01, green);
    if (!ok) return space;
    // Applied to a column vector (Cb, Cr) the blue scaling acts first.
    Matrix redBlue, chroma;
    Multiply(red, blue, redBlue);
    Multiply(green, redBlue, chroma);
    const double det = chroma[0] * chroma[3] - chroma[1] * chroma[2];
    if (det == 0) return space;
    for (int i = 0; i < 4; ++i) space.ChromaMatrix[i] = chroma[i];
    space.InverseChromaMatrix[0] = chroma[3] / det;
    space.InverseChromaMatrix[1] = -chroma[1] / det;
    space.InverseChromaMatrix[2] = -chroma[2] / det;
    space.InverseChromaMatrix[3] = chroma[0] / det;
    return space;
}

ColorPoint ToColorPoint(const TColorSpace& space, ColorValue color) {
    const double r = RedOf(color);
    const double g = GreenOf(color);
    const double b = BlueOf(color);
    const double luma = 0.2989 * r + 0.5866 * g + 0.1145 * b;
    const double cb = -0.1687 * r - 0.3312 * g + 0.5 * b;
    const double cr = 0.5 * r - 0.4183 * g - 0.0816 * b;
    const double* m = space.ChromaMatrix;
    return ColorPoint{RoundHalfUp(256 * (m[0] * cb + m[1] * cr)),
                      RoundHalfUp(256 * (m[2] * cb + m[3] * cr)), RoundHalfUp(256 * luma)};
}

ColorValue FromColorPoint(const TColorSpace& space, int32_t u, int32_t v, int32_t y) {
    const double* i = space.InverseChromaMatrix;
    const double cb = i[0] * u + i[1] * v;
    const double cr = i[2] * u + i[3] * v;
    const double channels[3] = {0.9999 * y + 1.4022 * cr, 1.0001 * y - 0.3456 * cb - 0.7145 * cr,
                                0.9999 * y + 1.771 * cb};
    int levels[3];
    for (int c = 0; c < 3; ++c) {
        const double level = std::floor(channels[c] / 256 + 0.5);
        levels[c] = level < 0 ? 0 : level > 255 ? 255 : static_cast<int>(level);
    }
    return MakeColor(levels[0], levels[1], levels[2]);
}
