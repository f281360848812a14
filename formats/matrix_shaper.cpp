#include "formats/matrix_shaper.h"

#include <cmath>

namespace {

// Columns: the red, green and blue colorants (XYZ, D50).
bool ColorantMatrix(cmsHPROFILE profile, double m[3][3]) {
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                     cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz) return false;
        m[0][c] = xyz->X;
        m[1][c] = xyz->Y;
        m[2][c] = xyz->Z;
    }
    return true;
}

bool Invert(const double m[3][3], double inverse[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!std::isfinite(det) || std::fabs(det) < 1e-9) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inverse[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

bool InputCurves(cmsHPROFILE profile, TMatrixShaper& shaper) {
    const cmsTagSignature tags[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int c = 0; c < 3; ++c) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tags[c]));
        if (!curve) return false;
        for (int v = 0; v < 256; ++v) {
            const float linear = cmsEvalToneCurveFloat(curve, static_cast<float>(v) / 255.0f);
            if (!std::isfinite(linear)) return false;
            shaper.In[c][v] = linear;
        }
        if (shaper.In[c][0] > 1e-6f) return false;  // a raised black: leave it to Little CMS
    }
    return true;
}

bool OutputCurve(cmsHPROFILE srgb, TMatrixShaper& shaper) {
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
    cmsToneCurve* reverse = curve ? cmsReverseToneCurve(curve) : nullptr;
    if (!reverse) return false;
    for (int i = 0; i <= TMatrixShaper::kOutSteps; ++i) {
        const float linear = static_cast<float>(i) / TMatrixShaper::kOutSteps;
        const float encoded = cmsEvalToneCurveFloat(reverse, linear);
        const float clamped = std::fmin(std::fmax(encoded, 0.0f), 1.0f);
        shaper.Out[i] = static_cast<uint8_t>(std::lround(clamped * 255.0f));
    }
    cmsFreeToneCurve(reverse);
    return true;
}

inline uint8_t Encode(const TMatrixShaper& shaper, float linear) {
    const float clamped = linear < 0.0f ? 0.0f : linear > 1.0f ? 1.0f : linear;
    return shaper.Out[static_cast<int>(clamped * TMatrixShaper::kOutSteps + 0.5f)];
}

}  // namespace

bool MakeMatrixShaper(cmsHPROFILE profile, cmsHPROFILE srgb, TMatrixShaper& shaper) {
    if (!cmsIsMatrixShaper(profile) || !cmsIsMatrixShaper(srgb)) return false;
    double in[3][3], out[3][3], outInverse[3][3];
    if (!ColorantMatrix(profile, in) || !ColorantMatrix(srgb, out) || !Invert(out, outInverse))
        return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) sum += outInverse[r][k] * in[k][c];
            if (!std::isfinite(sum)) return false;
            shaper.Matrix[r][c] = static_cast<float>(sum);
        }
    return InputCurves(profile, shaper) && OutputCurve(srgb, shaper);
}

void ApplyMatrixShaper(const TMatrixShaper& shaper, uint8_t* pixels, size_t count) {
    const auto& m = shaper.Matrix;
    for (size_t i = 0; i < count; ++i, pixels += 4) {
        const float r = shaper.In[0][pixels[0]];
        const float g = shaper.In[1][pixels[1]];
        const float b = shaper.In[2][pixels[2]];
        pixels[0] = Encode(shaper, m[0][0] * r + m[0][1] * g + m[0][2] * b);
        pixels[1] = Encode(shaper, m[1][0] * r + m[1][1] * g + m[1][2] * b);
        pixels[2] = Encode(shaper, m[2][0] * r + m[2][1] * g + m[2][2] * b);
    }
}
