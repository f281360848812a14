// Embedded ICC profiles to sRGB through Little CMS 2. Every call has its own
// lcms context, so loads on several threads share no state, and the
// context's error handler is silent: the core never prints.

#include "formats/color_profile.h"

#include <lcms2.h>

#include <cmath>
#include <memory>
#include <system_error>
#include <thread>
#include <type_traits>

#include "formats/matrix_shaper.h"

namespace {

struct TContextCloser {
    void operator()(cmsContext c) const { cmsDeleteContext(c); }
};
struct TProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TTransformCloser {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using TContext = std::unique_ptr<std::remove_pointer_t<cmsContext>, TContextCloser>;
using TProfile = std::unique_ptr<void, TProfileCloser>;
using TTransform = std::unique_ptr<void, TTransformCloser>;

// Rows are converted in slices of this many pixels: cmsDoTransform counts
// pixels in 32 bits.
constexpr size_t kSlicePixels = size_t{1} << 20;

bool SameXyz(const cmsCIEXYZ* a, const cmsCIEXYZ* b) {
    constexpr double kTolerance = 0.002;  // s15Fixed16 rounding and adaptation
    return a && b && std::fabs(a->X - b->X) < kTolerance && std::fabs(a->Y - b->Y) < kTolerance &&
           std::fabs(a->Z - b->Z) < kTolerance;
}

bool SameCurve(const cmsToneCurve* a, const cmsToneCurve* b) {
    if (!a || !b) return false;
    for (int step = 0; step <= 16; ++step) {
        const float x = static_cast<float>(step) / 16.0f;
        if (std::fabs(cmsEvalToneCurveFloat(a, x) - cmsEvalToneCurveFloat(b, x)) > 0.002f)
            return false;
    }
    return true;
}

// A matrix-shaper profile with sRGB's primaries and tone curves: converting
// would change nothing, so no transform is built.
bool DescribesSrgb(cmsHPROFILE profile, cmsHPROFILE srgb) {
    if (!cmsIsMatrixShaper(profile)) return false;
    for (cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag,
                                cmsSigMediaWhitePointTag}) {
        const auto* mine = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
        const auto* theirs = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, tag));
        if (tag == cmsSigMediaWhitePointTag && !mine) continue;  // optional in v4
        if (!SameXyz(mine, theirs)) return false;
    }
    for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        if (!SameCurve(static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag)),
                       static_cast<const cmsToneCurve*>(cmsReadTag(srgb, tag))))
            return false;
    }
    return true;
}

cmsUInt32Number ChooseIntent(cmsHPROFILE profile, cmsUInt32Number& flags) {
    if (cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT)) return INTENT_PERCEPTUAL;
    flags |= cmsFLAGS_BLACKPOINTCOMPENSATION;
    return INTENT_RELATIVE_COLORIMETRIC;
}

// The conversion of pixels[0, count): the matrix-shaper tables when they
// could be made, else Little CMS's transform (which may run on several
// threads at once).
struct TConversion {
    cmsHTRANSFORM Transform = nullptr;
    const TMatrixShaper* Shaper = nullptr;

    void operator()(uint8_t* pixels, size_t count) const {
        if (Shaper) {
            ApplyMatrixShaper(*Shaper, pixels, count);
            return;
        }
        for (size_t first = 0; first < count; first += kSlicePixels) {
            const size_t slice = count - first < kSlicePixels ? count - first : kSlicePixels;
            uint8_t* at = pixels + 4 * first;
            cmsDoTransform(Transform, at, at, static_cast<cmsUInt32Number>(slice));
        }
    }
};

// Large pictures are converted in two halves, one on a helper thread,
// which halves the time the conversion adds to a load on a machine with
// two cores or more; when no thread can be had, this thread does both.
void ConvertInHalves(const TConversion& convert, uint8_t* pixels, size_t count) {
    const size_t half = count / 2;
    if (count < kSlicePixels || std::thread::hardware_concurrency() < 2) {
        convert(pixels, count);
        return;
    }
    std::thread helper;
    try {
        helper = std::thread(convert, pixels, half);
    } catch (const std::system_error&) {
        convert(pixels, count);
        return;
    }
    convert(pixels + 4 * half, count - half);
    helper.join();
}

}  // namespace

TPictureRecord::TProfileState ConvertToSrgb(const uint8_t* icc, size_t size,
                                            std::vector<uint8_t>& pixels) {
    if (!icc || size < 132 || size > kMaxProfileBytes) return TPictureRecord::psRejected;
    const TContext context(cmsCreateContext(nullptr, nullptr));
    if (!context) return TPictureRecord::psRejected;
    cmsSetLogErrorHandlerTHR(context.get(), nullptr);
    const TProfile profile(
        cmsOpenProfileFromMemTHR(context.get(), icc, static_cast<cmsUInt32Number>(size)));
    const TProfile srgb(cmsCreate_sRGBProfileTHR(context.get()));
    if (!profile || !srgb || cmsGetColorSpace(profile.get()) != cmsSigRgbData ||
        cmsGetDeviceClass(profile.get()) == cmsSigLinkClass)
        return TPictureRecord::psRejected;
    if (DescribesSrgb(profile.get(), srgb.get())) return TPictureRecord::psSrgb;
    // The fourth byte rides along as an extra channel that Little CMS
    // leaves untouched without cmsFLAGS_COPY_ALPHA: it stays 0.
    cmsUInt32Number flags = 0;
    const cmsUInt32Number intent = ChooseIntent(profile.get(), flags);
    const TTransform transform(cmsCreateTransformTHR(context.get(), profile.get(), TYPE_RGBA_8,
                                                     srgb.get(), TYPE_RGBA_8, intent, flags));
    if (!transform) return TPictureRecord::psRejected;
    TConversion convert{transform.get(), nullptr};
    const auto shaper = std::make_unique<TMatrixShaper>();
    if (intent == INTENT_RELATIVE_COLORIMETRIC && MakeMatrixShaper(profile.get(), srgb.get(), *shaper))
        convert.Shaper = shaper.get();
    ConvertInHalves(convert, pixels.data(), pixels.size() / 4);
    return TPictureRecord::psConverted;
}
