// Colour conversion to sRGB with Little CMS, and the row writer every
// streaming decoder fills its picture through.
#include "io/colour_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <lcms2.h>

#include "core/parallel.h"
#include "io/decode_util.h"

namespace jollix::io_detail {

namespace {

// What converting one pixel through a colour transform costs a core.
constexpr parallel::PixelCost kTransformCost{10};

// lcms2 reports bad profiles through a global hook; the program judges the
// result itself (a profile that does not open is taken as sRGB), so the
// reports are dropped rather than printed.
void quietLcms() {
    static const bool done = [] {
        cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {});
        return true;
    }();
    (void)done;
}

struct ProfileCloser {
    void operator()(void* p) const {
        if (p) cmsCloseProfile(p);
    }
};

struct Transform {
    cmsHTRANSFORM handle = nullptr;
    explicit Transform(cmsHTRANSFORM h) : handle(h) {}
    ~Transform() {
        if (handle) cmsDeleteTransform(handle);
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;
};

cmsHTRANSFORM toSrgb(cmsHPROFILE profile, cmsUInt32Number inputFormat) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    if (!srgb) return nullptr;
    cmsHTRANSFORM t = cmsCreateTransform(profile, inputFormat, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    cmsCloseProfile(srgb);
    return t;
}

// Whether a profile's conversion to sRGB moves no 8-bit colour by more than
// one step: then it is sRGB under another name (the usual embedded "sRGB
// IEC61966-2.1" among them), and the pixels are left exactly as they are.
bool actsAsSrgb(cmsHPROFILE profile, bool grey) {
    if (grey) {
        const Transform t(toSrgb(profile, TYPE_GRAY_8));
        if (!t.handle) return true;
        uint8_t in[256], out[256 * 3];
        for (int i = 0; i < 256; ++i) in[i] = uint8_t(i);
        cmsDoTransform(t.handle, in, out, 256);
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c)
                if (std::abs(int(out[i * 3 + c]) - i) > 1) return false;
        return true;
    }
    const Transform t(toSrgb(profile, TYPE_RGB_8));
    if (!t.handle) return true;
    constexpr int kSteps = 18;  // 0, 15, ... 255 on each axis
    std::vector<uint8_t> in, out(size_t(kSteps) * kSteps * kSteps * 3);
    in.reserve(out.size());
    for (int r = 0; r < kSteps; ++r)
        for (int g = 0; g < kSteps; ++g)
            for (int b = 0; b < kSteps; ++b) {
                in.push_back(uint8_t(r * 15));
                in.push_back(uint8_t(g * 15));
                in.push_back(uint8_t(b * 15));
            }
    cmsDoTransform(t.handle, in.data(), out.data(), cmsUInt32Number(in.size() / 3));
    for (size_t i = 0; i < in.size(); i += 3)  // out is BGR
        if (std::abs(int(out[i]) - in[i + 2]) > 1 || std::abs(int(out[i + 1]) - in[i + 1]) > 1 ||
            std::abs(int(out[i + 2]) - in[i]) > 1)
            return false;
    return true;
}

cmsCIExyY xyY(double x, double y) { return cmsCIExyY{x, y, 1.0}; }

// An RGB profile of the given white point, primaries (x, y pairs: white,
// red, green, blue) and one tone curve for all three channels.
void* rgbProfile(const double xy[8], cmsToneCurve* curve) {
    if (!curve) return nullptr;
    const cmsCIExyY white = xyY(xy[0], xy[1]);
    const cmsCIExyYTRIPLE primaries{xyY(xy[2], xy[3]), xyY(xy[4], xy[5]), xyY(xy[6], xy[7])};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return p;
}

// The tone mapping of high dynamic range signals (see fromCodePoints):
// light relative to the reference white brought below sRGB's white.
double toneMapped(double x) {
    constexpr double kKnee = 0.75;
    if (x <= kKnee) return std::max(0.0, x);
    const double d = x - kKnee;
    return kKnee + (1 - kKnee) * d / (d + (1 - kKnee));
}

// Light relative to the reference white (203 cd/m2) of a PQ signal (SMPTE
// ST 2084: absolute light up to 10000 cd/m2).
double pqLight(double signal) {
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double e = std::pow(std::clamp(signal, 0.0, 1.0), 1 / m2);
    const double light = std::pow(std::max(e - c1, 0.0) / (c2 - c3 * e), 1 / m1);
    return light * 10000 / 203;
}

// Light relative to the reference white of an HLG signal (ARIB STD-B67):
// its scene light as a 1000 cd/m2 display shows it (system gamma 1.2).
double hlgLight(double signal) {
    constexpr double a = 0.17883277, b = 1 - 4 * a;
    const double c = 0.5 - a * std::log(4 * a);
    const double e = std::clamp(signal, 0.0, 1.0);
    const double scene = e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
    return 1000 * std::pow(scene, 1.2) / 203;
}

// A tone curve from a signal to tone-mapped linear light, sampled finely
// enough for 16-bit samples.
cmsToneCurve* highDynamicRangeCurve(double (*light)(double)) {
    constexpr int kPoints = 4096;
    std::vector<float> values(kPoints);
    for (int i = 0; i < kPoints; ++i) values[size_t(i)] = float(toneMapped(light(double(i) / (kPoints - 1))));
    return cmsBuildTabulatedToneCurveFloat(nullptr, kPoints, values.data());
}

constexpr double kSrgbChromaticities[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

bool sane(const double xy[8]) {
    for (int i = 0; i < 8; ++i)
        if (!std::isfinite(xy[i]) || xy[i] <= 0 || xy[i] >= 1) return false;
    for (int i = 0; i < 8; i += 2)
        if (xy[i] + xy[i + 1] >= 1) return false;
    return true;
}

}  // namespace

ColourProfile ColourProfile::adopt(void* profile) {
    ColourProfile result;
    if (!profile) return result;
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
    const bool grey = space == cmsSigGrayData, cmyk = space == cmsSigCmykData;
    // A CMYK profile is kept if lcms2 can make a conversion of it to sRGB.
    bool usable = cmyk;
    if (cmyk) {
        const Transform t(toSrgb(profile, TYPE_CMYK_8));
        usable = t.handle != nullptr;
    } else {
        usable = (grey || space == cmsSigRgbData) && !actsAsSrgb(profile, grey);
    }
    if (!usable) {
        cmsCloseProfile(profile);
        return result;
    }
    result.profile_ = std::shared_ptr<void>(profile, ProfileCloser());
    result.space_ = grey ? Space::Grey : cmyk ? Space::Cmyk : Space::Rgb;
    return result;
}

ColourProfile ColourProfile::fromIcc(const uint8_t* data, size_t size) {
    quietLcms();
    if (!data || size < 128 || size > 0xFFFFFFFFu) return ColourProfile();
    return adopt(cmsOpenProfileFromMem(data, cmsUInt32Number(size)));
}

ColourProfile ColourProfile::fromCodePoints(int primaries, int transfer) {
    quietLcms();
    double xy[8];
    switch (primaries) {
        case 1:  // BT.709, sRGB
        case 2:  // unspecified: taken as sRGB's
            std::memcpy(xy, kSrgbChromaticities, sizeof xy);
            break;
        case 4: {  // BT.470 System M
            const double v[8] = {0.310, 0.316, 0.67, 0.33, 0.21, 0.71, 0.14, 0.08};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        case 5: {  // BT.470 System B, G
            const double v[8] = {0.3127, 0.3290, 0.64, 0.33, 0.29, 0.60, 0.15, 0.06};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        case 6:
        case 7: {  // SMPTE 170M, 240M
            const double v[8] = {0.3127, 0.3290, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        case 9: {  // BT.2020
            const double v[8] = {0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        case 11: {  // DCI-P3
            const double v[8] = {0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        case 12: {  // Display P3
            const double v[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
            std::memcpy(xy, v, sizeof xy);
            break;
        }
        default: return ColourProfile();
    }
    cmsToneCurve* curve = nullptr;
    switch (transfer) {
        case 2:     // unspecified: taken as sRGB's
        case 13: {  // sRGB
            const double p[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            curve = cmsBuildParametricToneCurve(nullptr, 4, p);
            break;
        }
        case 1:
        case 6:
        case 14:
        case 15: {  // BT.709 and its relatives
            const double p[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
            curve = cmsBuildParametricToneCurve(nullptr, 4, p);
            break;
        }
        case 4: curve = cmsBuildGamma(nullptr, 2.2); break;
        case 5: curve = cmsBuildGamma(nullptr, 2.8); break;
        case 8: curve = cmsBuildGamma(nullptr, 1.0); break;
        case 16: curve = highDynamicRangeCurve(pqLight); break;
        case 18: curve = highDynamicRangeCurve(hlgLight); break;
        default: return ColourProfile();  // logarithmic, unknown
    }
    if (primaries <= 2 && (transfer == 2 || transfer == 13)) {
        cmsFreeToneCurve(curve);
        return ColourProfile();
    }
    return adopt(rgbProfile(xy, curve));
}

ColourProfile ColourProfile::fromGamma(double fileGamma, const double* chromaticities) {
    quietLcms();
    if (!std::isfinite(fileGamma) || fileGamma <= 0.01 || fileGamma > 10) return ColourProfile();
    double xy[8];
    std::memcpy(xy, chromaticities ? chromaticities : kSrgbChromaticities, sizeof xy);
    if (!sane(xy)) std::memcpy(xy, kSrgbChromaticities, sizeof xy);
    // Encoders write sRGB pictures as gamma 1/2.2 with sRGB's primaries
    // (the sRGB curve's nearest pure power): those stay exactly as they are.
    bool srgbPrimaries = true;
    for (int i = 0; i < 8; ++i) srgbPrimaries = srgbPrimaries && std::fabs(xy[i] - kSrgbChromaticities[i]) < 0.01;
    if (srgbPrimaries && std::fabs(fileGamma * 2.2 - 1) < 0.02) return ColourProfile();
    return adopt(rgbProfile(xy, cmsBuildGamma(nullptr, 1 / fileGamma)));
}

ColourProfile ColourProfile::fromBitmapHeader(const uint8_t* header, size_t size) {
    quietLcms();
    if (size < 108 || le32(header) < 108) return ColourProfile();
    const uint32_t headerSize = le32(header);
    const uint32_t type = le32(header + 56);
    if (type == 0x4D424544 && headerSize >= 124) {  // 'MBED': a profile at an offset from the header
        const uint32_t offset = le32(header + 112), length = le32(header + 116);
        if (offset >= 124 && offset <= size && length <= size - offset) return fromIcc(header + offset, length);
        return ColourProfile();
    }
    if (type != 0) return ColourProfile();  // sRGB, the system's (sRGB), or a linked file
    // Calibrated RGB: the XYZ of each primary (2.30 fixed point) and a gamma
    // per channel (16.16). Writers that fill none of it mean nothing by it.
    double xyz[9];
    bool any = false;
    for (int i = 0; i < 9; ++i) {
        xyz[i] = double(les32(header + 60 + 4 * i)) / double(1 << 30);
        any = any || xyz[i] != 0;
    }
    double gamma[3];
    for (int i = 0; i < 3; ++i) gamma[i] = double(le32(header + 96 + 4 * i)) / 65536.0;
    if (!any) return ColourProfile();
    double xy[8];
    double white[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        const double X = xyz[3 * p], Y = xyz[3 * p + 1], Z = xyz[3 * p + 2];
        const double sum = X + Y + Z;
        if (!(sum > 0)) return ColourProfile();
        xy[2 + 2 * p] = X / sum;
        xy[3 + 2 * p] = Y / sum;
        white[0] += X;
        white[1] += Y;
        white[2] += Z;
    }
    const double whiteSum = white[0] + white[1] + white[2];
    xy[0] = white[0] / whiteSum;
    xy[1] = white[1] / whiteSum;
    if (!sane(xy)) return ColourProfile();
    const cmsCIExyY whitePoint = xyY(xy[0], xy[1]);
    const cmsCIExyYTRIPLE primaries{xyY(xy[2], xy[3]), xyY(xy[4], xy[5]), xyY(xy[6], xy[7])};
    cmsToneCurve* curves[3];
    for (int i = 0; i < 3; ++i) {
        const double g = gamma[i] > 0.1 && gamma[i] < 10 ? gamma[i] : 2.2;
        curves[i] = cmsBuildGamma(nullptr, g);
    }
    cmsHPROFILE p =
        curves[0] && curves[1] && curves[2] ? cmsCreateRGBProfile(&whitePoint, &primaries, curves) : nullptr;
    for (cmsToneCurve* c : curves)
        if (c) cmsFreeToneCurve(c);
    return adopt(p);
}

void convertToSrgb(Picture& picture, const ColourProfile& profile) {
    if (profile.isSrgb() || profile.isCmyk() || picture.isEmpty()) return;
    const Transform t(toSrgb(const_cast<void*>(profile.handle()), profile.isGrey() ? TYPE_GRAY_8 : TYPE_BGR_8));
    if (!t.handle) return;
    // A grey profile's curve as a table of the 256 levels, for each channel.
    uint8_t grey[256];
    if (profile.isGrey()) {
        uint8_t in[256], out[256 * 3];
        for (int i = 0; i < 256; ++i) in[i] = uint8_t(i);
        cmsDoTransform(t.handle, in, out, 256);
        for (int i = 0; i < 256; ++i) grey[i] = out[3 * i + 1];
    }
    // Every tile is its own block first (a decoded picture's tiles may share
    // one block of a single colour), then the tiles convert on all cores.
    const size_t tiles = size_t(picture.tilesX()) * picture.tilesY();
    std::vector<uint8_t*> blocks(tiles);
    for (int ty = 0; ty < picture.tilesY(); ++ty)
        for (int tx = 0; tx < picture.tilesX(); ++tx)
            blocks[size_t(ty) * picture.tilesX() + tx] = picture.mutableTile(tx, ty);
    parallel::forItems(
        tiles, parallel::threadsFor((long long)picture.width() * picture.height(), kTransformCost),
        [&](size_t i) {
            constexpr size_t kPixels = size_t(Picture::kTile) * Picture::kTile;
            if (profile.isGrey())
                for (uint8_t *p = blocks[i], *end = p + 3 * kPixels; p != end; ++p) *p = grey[*p];
            else
                cmsDoTransform(t.handle, blocks[i], blocks[i], cmsUInt32Number(kPixels));
        },
        [](size_t) {});
}

CmykToBgr::CmykToBgr(const ColourProfile& profile, int bits, int stride, bool inverted)
    : bits_(bits), stride_(stride), inverted_(inverted) {
    if ((bits != 8 && bits != 16) || stride < 4) throw JollixError("the decoder gave an unexpected sample layout");
    if (profile.isCmyk()) {
        const cmsUInt32Number format = COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(bits / 8) |
                                       EXTRA_SH(stride - 4) | FLAVOR_SH(inverted ? 1 : 0);
        transform_ = toSrgb(const_cast<void*>(profile.handle()), format);
    }
}

CmykToBgr::~CmykToBgr() {
    if (transform_) cmsDeleteTransform(transform_);
}

void CmykToBgr::convert(const void* samples, uint8_t* bgr, int count) const {
    if (transform_) {
        cmsDoTransform(transform_, samples, bgr, cmsUInt32Number(count));
        return;
    }
    const uint32_t max = bits_ == 8 ? 255 : 65535;
    for (int x = 0; x < count; ++x, bgr += 3) {
        // The light each ink leaves (max: no ink).
        uint32_t left[4];
        for (int c = 0; c < 4; ++c) {
            const size_t i = size_t(x) * size_t(stride_) + size_t(c);
            const uint32_t v =
                bits_ == 8 ? static_cast<const uint8_t*>(samples)[i] : static_cast<const uint16_t*>(samples)[i];
            left[c] = inverted_ ? v : max - v;
        }
        const uint64_t scale = uint64_t(max) * max;
        for (int c = 0; c < 3; ++c) bgr[2 - c] = uint8_t((uint64_t(left[c]) * left[3] * 255 + scale / 2) / scale);
    }
}

struct PictureRowWriter::MatrixShaper {
    static constexpr int kLinearSteps = 1 << 16;
    std::vector<float> toLinear[3];   // 65536 entries each
    float matrix[9] = {};             // profile's linear RGB to sRGB's
    std::vector<uint8_t> fromLinear;  // kLinearSteps + 1 entries over [0, 1]
    bool grey = false;

    // Null when the profile is not made of curves and a matrix (a profile of
    // tables is left to lcms2).
    static std::unique_ptr<MatrixShaper> of(cmsHPROFILE profile) {
        if (!cmsIsMatrixShaper(profile)) return nullptr;
        auto m = std::make_unique<MatrixShaper>();
        m->grey = cmsGetColorSpace(profile) == cmsSigGrayData;
        const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
        for (int c = 0; c < (m->grey ? 1 : 3); ++c) {
            const auto* curve =
                static_cast<const cmsToneCurve*>(cmsReadTag(profile, m->grey ? cmsSigGrayTRCTag : curves[c]));
            if (!curve) return nullptr;
            m->toLinear[c].resize(65536);
            for (int v = 0; v < 65536; ++v)
                m->toLinear[c][size_t(v)] = cmsEvalToneCurveFloat(curve, float(v / 65535.0));
        }
        if (!m->grey) {
            // Columns: each primary's XYZ (D50); sRGB's likewise, inverted.
            const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
            cmsHPROFILE srgb = cmsCreate_sRGBProfile();
            double a[9], b[9];
            bool ok = srgb != nullptr;
            for (int c = 0; c < 3 && ok; ++c) {
                const auto* p = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[c]));
                const auto* q = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, colorants[c]));
                ok = p && q;
                if (!ok) break;
                a[c] = p->X, a[3 + c] = p->Y, a[6 + c] = p->Z;
                b[c] = q->X, b[3 + c] = q->Y, b[6 + c] = q->Z;
            }
            if (srgb) cmsCloseProfile(srgb);
            if (!ok) return nullptr;
            const double det = b[0] * (b[4] * b[8] - b[5] * b[7]) - b[1] * (b[3] * b[8] - b[5] * b[6]) +
                               b[2] * (b[3] * b[7] - b[4] * b[6]);
            if (std::fabs(det) < 1e-9) return nullptr;
            const double inv[9] = {(b[4] * b[8] - b[5] * b[7]) / det, (b[2] * b[7] - b[1] * b[8]) / det,
                                   (b[1] * b[5] - b[2] * b[4]) / det, (b[5] * b[6] - b[3] * b[8]) / det,
                                   (b[0] * b[8] - b[2] * b[6]) / det, (b[2] * b[3] - b[0] * b[5]) / det,
                                   (b[3] * b[7] - b[4] * b[6]) / det, (b[1] * b[6] - b[0] * b[7]) / det,
                                   (b[0] * b[4] - b[1] * b[3]) / det};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    m->matrix[3 * r + c] =
                        float(inv[3 * r] * a[c] + inv[3 * r + 1] * a[3 + c] + inv[3 * r + 2] * a[6 + c]);
        }
        m->fromLinear.resize(kLinearSteps + 1);
        for (int i = 0; i <= kLinearSteps; ++i) {
            const double l = double(i) / kLinearSteps;
            const double e = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            m->fromLinear[size_t(i)] = uint8_t(std::lround(std::clamp(e, 0.0, 1.0) * 255));
        }
        return m;
    }

    uint8_t encode(float linear) const {
        const float at = std::clamp(linear, 0.0f, 1.0f) * float(kLinearSteps) + 0.5f;
        return fromLinear[size_t(at)];
    }

    // channels is 1 (grey) or 3; out is BGR.
    void convert(const uint16_t* in, uint8_t* out, int width, int channels) const {
        if (grey) {
            for (int x = 0; x < width; ++x, in += channels, out += 3)
                out[0] = out[1] = out[2] = encode(toLinear[0][*in]);
            return;
        }
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            const float r = toLinear[0][in[0]], g = toLinear[1][in[1]], b = toLinear[2][in[2]];
            out[2] = encode(matrix[0] * r + matrix[1] * g + matrix[2] * b);
            out[1] = encode(matrix[3] * r + matrix[4] * g + matrix[5] * b);
            out[0] = encode(matrix[6] * r + matrix[7] * g + matrix[8] * b);
        }
    }
};

PictureRowWriter::PictureRowWriter(int width, int height, int orientation, RowFormat format,
                                   const ColourProfile& profile)
    : width_(width),
      height_(height),
      orientation_(orientation >= 1 && orientation <= 8 ? orientation : 1),
      format_(format),
      rows_(width, height, orientation_) {
    if (format_.channels < 1 || format_.channels > (format_.cmyk ? 5 : 4) || (format_.cmyk && format_.channels < 4) ||
        (format_.bits != 8 && format_.bits != 16))
        throw JollixError("the decoder gave an unexpected sample layout");
    flat_.resize(size_t(width) * 3 * 3);
    bgr_.resize(size_t(width) * 3);
    if (format_.cmyk) {
        // Inks become BGR first (through a CMYK profile, or the formula);
        // an alpha after them is then composed onto white.
        cmyk_ = std::make_unique<CmykToBgr>(profile.isCmyk() ? profile : ColourProfile(), format_.bits,
                                            format_.channels, false);
        return;
    }
    const bool greyRows = format_.channels <= 2;
    // Rows after alpha is composed away: grey or RGB. Grey rows under an RGB
    // profile are made RGB first. lcms2 converts 8-bit samples exactly
    // (within one step); 16-bit samples it would take through a sampled
    // table, off by up to 8 steps near the edge of the gamut, so those are
    // converted here through the profile's own curves and matrix when it is
    // made of them, and reduced to 8 bits for lcms2 only when it is not.
    if (profile.isSrgb() || profile.isCmyk()) {
        // nothing to convert (a CMYK profile says nothing of grey or RGB)
    } else if (profile.isGrey() == greyRows) {
        transform_ = toSrgb(const_cast<void*>(profile.handle()), greyRows ? TYPE_GRAY_8 : TYPE_RGB_8);
    } else if (greyRows) {
        transform_ = toSrgb(const_cast<void*>(profile.handle()), TYPE_RGB_8);
        if (transform_) format_.channels += 2;  // grey is spread to RGB before the alpha is composed
        greyToRgb_ = transform_ != nullptr;
    }
    if (transform_ && format_.bits == 16) shaper_ = MatrixShaper::of(const_cast<void*>(profile.handle()));
}

PictureRowWriter::~PictureRowWriter() {
    if (transform_) cmsDeleteTransform(transform_);
}

namespace {

// Alpha composed onto white at the samples' own depth: grey or RGB left.
template <class T>
void composeOntoWhite(const T* in, T* out, int width, int colours, bool premultiplied) {
    constexpr uint32_t kMax = sizeof(T) == 1 ? 255 : 65535;
    for (int x = 0; x < width; ++x, in += colours + 1, out += colours) {
        const uint32_t a = in[colours];
        for (int c = 0; c < colours; ++c) {
            const uint64_t v = in[c];
            if (premultiplied)
                out[c] = T(std::min<uint64_t>(kMax, v + (kMax - a)));
            else
                out[c] = T((v * a + uint64_t(kMax) * (kMax - a) + kMax / 2) / kMax);
        }
    }
}

template <class T>
void greyToRgb(const T* in, T* out, int width, bool alpha) {
    for (int x = 0; x < width; ++x) {
        const T g = *in++;
        *out++ = g;
        *out++ = g;
        *out++ = g;
        if (alpha) *out++ = *in++;
    }
}

inline uint8_t to8(uint16_t v) { return uint8_t((uint32_t(v) * 255 + 32767) / 65535); }

}  // namespace

void PictureRowWriter::writeRow(int y, const void* samples) {
    if (y < 0 || y >= height_) return;
    convert(samples, width_);
    rows_.bgr(y, bgr_.data());
}

void PictureRowWriter::writePixels(int y, int x0, int step, int count, const void* samples) {
    if (y < 0 || y >= height_ || orientation_ != 1 || x0 < 0 || step < 1 || count < 0 ||
        int64_t(x0) + int64_t(step) * (count - 1) >= width_)
        return;
    convert(samples, count);
    if (step == 1) {
        rows_.bgrSpan(y, x0, count, bgr_.data());
        return;
    }
    rows_.bgrSpaced(y, x0, step, count, bgr_.data());
}

void PictureRowWriter::convert(const void* samples, int count) {
    const int w = count;
    if (cmyk_) {
        cmyk_->convert(samples, bgr_.data(), w);
        // An alpha after the inks, unassociated, composed onto white; an
        // associated one has already thinned the inks toward none.
        if (format_.channels == 5 && !format_.premultiplied) {
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(x) * 5 + 4;
                const uint32_t a = format_.bits == 8 ? static_cast<const uint8_t*>(samples)[i]
                                                     : static_cast<const uint16_t*>(samples)[i] / 257u;
                for (int c = 0; c < 3; ++c) {
                    uint8_t& v = bgr_[size_t(x) * 3 + size_t(c)];
                    v = uint8_t((uint32_t(v) * a + 255 * (255 - a) + 127) / 255);
                }
            }
        }
        return;
    }
    const bool wide = format_.bits == 16;
    const void* row = samples;
    int channels = format_.channels;
    if (greyToRgb_) {                 // grey rows under an RGB profile
        channels = format_.channels;  // 3 or 4
        spread_.resize(size_t(w) * channels * (wide ? 2 : 1));
        if (wide)
            greyToRgb(static_cast<const uint16_t*>(row), reinterpret_cast<uint16_t*>(spread_.data()), w, channels == 4);
        else
            greyToRgb(static_cast<const uint8_t*>(row), spread_.data(), w, channels == 4);
        row = spread_.data();
    }
    if (channels == 2 || channels == 4) {
        const int colours = channels - 1;
        if (wide)
            composeOntoWhite(static_cast<const uint16_t*>(row), reinterpret_cast<uint16_t*>(flat_.data()), w, colours,
                             format_.premultiplied);
        else
            composeOntoWhite(static_cast<const uint8_t*>(row), flat_.data(), w, colours, format_.premultiplied);
        row = flat_.data();
        channels = colours;
    }
    uint8_t* out = bgr_.data();
    if (shaper_) {
        shaper_->convert(static_cast<const uint16_t*>(row), out, w, channels);
    } else if (transform_) {
        if (wide) {
            const auto* s = static_cast<const uint16_t*>(row);
            uint8_t* n = flat_.data() + size_t(w) * 6;  // past the composed 16-bit samples
            for (size_t i = 0; i < size_t(w) * channels; ++i) n[i] = to8(s[i]);
            row = n;
        }
        cmsDoTransform(transform_, row, out, cmsUInt32Number(w));
    } else if (channels == 1) {
        if (wide) {
            const auto* s = static_cast<const uint16_t*>(row);
            for (int x = 0; x < w; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = to8(s[x]);
        } else {
            const auto* s = static_cast<const uint8_t*>(row);
            for (int x = 0; x < w; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = s[x];
        }
    } else if (wide) {
        const auto* s = static_cast<const uint16_t*>(row);
        for (int x = 0; x < w; ++x, s += 3, out += 3) {
            out[0] = to8(s[2]);
            out[1] = to8(s[1]);
            out[2] = to8(s[0]);
        }
    } else {
        const auto* s = static_cast<const uint8_t*>(row);
        for (int x = 0; x < w; ++x, s += 3, out += 3) {
            out[0] = s[2];
            out[1] = s[1];
            out[2] = s[0];
        }
    }
}

}  // namespace jollix::io_detail
