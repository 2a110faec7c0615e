#include "effects/spherical.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/error.h"
#include "core/numeric.h"
#include "effects/sampler.h"
#include "effects/twist.h"

// Both brushes model a spherical cap of base radius R and height H standing
// on the picture around the centre (a, b). Every colour is read from the
// unchanged source picture and written into a copy that shares the source's
// tiles, so only the tiles under the disc are cloned.
//
// Precision: the loop bounds and the nearest-pixel reads on the centre row
// and column are rounded, so they are formed in extended precision with the
// named intermediates kept as doubles, which decides rounding ties the same
// way every time. The source points inside the quadrants only feed the
// bilinear sampler and are formed in doubles, with the per-column and
// per-row terms taken out of the inner loops.

namespace jollix {

namespace detail {

SphereCap sphereCap(int R, int H) {
    const int64_t num = int64_t(R) * R + int64_t(H) * H;
    const int64_t den = 2 * int64_t(H);
    if (den == 0) throw JollixError(num == 0 ? kInvalidFloatOp : kDivisionByZero);
    const double rho = double(static_cast<long double>(num) / static_cast<long double>(den));
    const double c = double(static_cast<long double>(rho) - H);
    return {rho, c};
}

double sphericalExpandHalfHeight(const SphereCap& cap, int H, int dx) {
    const long double rho = cap.rho, c = cap.c, d = dx;
    // The cap's height above the plane at this column ...
    const double w = double(CheckedSqrt(rho * rho - d * d) - rho + H);
    // ... and the half-chord of the cap's base circle there.
    const long double cw = c + w;
    return double(CheckedSqrt(cw * cw - c * c));
}

ShrinkColumn sphericalShrinkColumn(const SphereCap& cap, int a, int x) {
    const long double rho = cap.rho, c = cap.c;
    const long double dx = static_cast<long double>(int64_t(a) - x);
    const long double dx2 = dx * dx;
    const double D1 = double(std::sqrt(c * c + dx2));
    // The point p1 where the ray from the sphere's centre through the column's
    // rim point meets the sphere, projected onto the row; the height h1 of
    // the similar triangle gives S1 = c * rho / D1.
    const long double slant = std::sqrt(Divide(c * c, dx2) + 1);
    const long double along = (rho - D1) / slant;
    const double p1 = x < a ? double(x - along) : double(x + along);
    const double h1 = double(Divide((static_cast<long double>(x) - p1) * c, dx));
    const double S1 = double(c + h1);
    const long double s1 = S1;
    const double K1 = double(CheckedSqrt(s1 * s1 - c * c));
    return {D1, K1};
}

} // namespace detail

namespace {

// Writes pixels inside the picture, keeping hold of the tile it wrote last,
// so that runs of pixels in one tile look the tile up once.
class TileWriter {
public:
    explicit TileWriter(Picture& p) : p_(p) {}
    void put(int x, int y, uint32_t colour) {
        const int tx = x >> Picture::kTileBits, ty = y >> Picture::kTileBits;
        if (tx != tx_ || ty != ty_) {
            tx_ = tx;
            ty_ = ty;
            base_ = p_.mutableTile(tx, ty);
        }
        uint8_t* q = base_ + (size_t(y & Picture::kTileMask) * Picture::kTile + size_t(x & Picture::kTileMask)) * 3;
        q[0] = uint8_t(colour >> 16);
        q[1] = uint8_t(colour >> 8);
        q[2] = uint8_t(colour);
    }

private:
    Picture& p_;
    int tx_ = -1, ty_ = -1;
    uint8_t* base_ = nullptr;
};

inline void put(Picture& dst, int x, int y, uint32_t colour) {
    uint8_t* p = dst.mutablePixelPtr(x, y);
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

inline int clampInt(long long v, int lo, int hi) { return int(std::min<long long>(std::max<long long>(v, lo), hi)); }

} // namespace

Picture Sphericalpengzhang(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    TileWriter writer(dst);
    detail::SourceView source(src);
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, rho2 = rho * rho;

    if (R > 1) {
        // Column offsets beyond mMax and row offsets beyond kMax reach no
        // pixel of the picture, so the tables below stop there.
        const long long mMax = std::min<long long>(R - 1, std::max(std::llabs(a), std::llabs((long long)W - 1 - a)));
        const long long kMax = std::max(std::llabs(b), std::llabs((long long)Hp - 1 - b));

        // Row bounds of the column offsets 1 .. mMax (the same on both sides).
        std::vector<long long> top(size_t(std::max(mMax, 0LL)) + 1), bottom(top.size());
        for (long long m = 1; m <= mMax; ++m) {
            const long double kx = detail::sphericalExpandHalfHeight(cap, H, int(m));
            top[size_t(m)] = Round(static_cast<long double>(b) - kx) + 1LL;
            bottom[size_t(m)] = Round(static_cast<long double>(b) + kx) - 1LL;
        }

        // The factor c / z of every pixel offset (|dx|, |dy|) of the region,
        // z = sqrt(rho^2 - dx^2 - dy^2): the four quadrants share it, so it
        // is formed once per offset, two at a time.
        std::vector<size_t> start(top.size() + 1, 0);
        for (long long m = 1; m <= mMax; ++m) {
            const long long reach = std::min(kMax, std::max<long long>({(long long)b - top[size_t(m)], bottom[size_t(m)] - b, 0}));
            start[size_t(m) + 1] = start[size_t(m)] + size_t(reach) + 1;
        }
        std::vector<double> factor(start.back());
        for (long long m = 1; m <= mMax; ++m) {
            const long long xl = (long long)a - m, xr = (long long)a + m;
            const bool visible = (xl >= 0 && xl < W) || (xr >= 0 && xr < W);
            if (!visible) continue;
            const double colTerm = rho2 - double(m) * double(m);
            double* f = factor.data() + start[size_t(m)];
            const size_t n = start[size_t(m) + 1] - start[size_t(m)];
            size_t k = 1;
#if defined(__SSE2__)
            const __m128d cv = _mm_set1_pd(c), ct = _mm_set1_pd(colTerm);
            for (; k + 1 < n; k += 2) {
                const __m128d dy = _mm_set_pd(double(k + 1), double(k));
                _mm_storeu_pd(f + k, _mm_div_pd(cv, _mm_sqrt_pd(_mm_sub_pd(ct, _mm_mul_pd(dy, dy)))));
            }
#endif
            for (; k < n; ++k) f[k] = c / std::sqrt(colTerm - double(k) * double(k));
        }

        // One column of one quadrant: source points nearer the centre.
        // A column inside the picture has an offset of at most mMax.
        auto column = [&](long long x, bool above) {
            if (x < 0 || x >= W) return;
            const size_t m = size_t(std::llabs(a - x));
            const long long yFrom = std::max(above ? top[m] : (long long)b + 1, 0LL);
            const long long yTo = std::min<long long>(above ? (long long)b - 1 : bottom[m], Hp - 1);
            const double dx = double(a - x);
            const double* f = factor.data() + start[m];
            for (long long y = yFrom; y <= yTo; ++y) {
                const double dy = double(b - y);
                const double q = f[std::llabs(b - y)];
                double xs = a - q * dx, ys = b - q * dy;
                writer.put(int(x), int(y), source.sample(xs, ys));
            }
        };

        const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
        // Above-left, above-right, below-right, below-left.
        for (long long x = left; x < a; ++x) {
            column(x, true);
            progressStep(progress);
        }
        for (long long x = (long long)a + 1; x <= right; ++x) {
            column(x, true);
            progressStep(progress);
        }
        for (long long x = (long long)a + 1; x <= right; ++x) {
            column(x, false);
            progressStep(progress);
        }
        for (long long x = left; x < a; ++x) {
            column(x, false);
            progressStep(progress);
        }

        // The centre row and column take the nearest pixel of their source.
        const long double rhoL = rho, cL = c;
        auto shift = [&](long long d) -> long double {
            const long double dl = static_cast<long double>(d);
            return cL * dl / std::sqrt(rhoL * rhoL - dl * dl);
        };
        const bool rowInside = b >= 0 && b < Hp;
        const bool colInside = a >= 0 && a < W;
        auto rowPixel = [&](long long x) {
            if (!rowInside || x < 0 || x >= W) return;
            const double xs = double(static_cast<long double>(a) - shift(a - x));
            put(dst, int(x), b, src.pixel(clampInt(Round(xs), 0, W - 1), b));
        };
        auto colPixel = [&](long long y) {
            if (!colInside || y < 0 || y >= Hp) return;
            const double ys = double(static_cast<long double>(b) - shift(b - y));
            put(dst, a, int(y), src.pixel(a, clampInt(Round(ys), 0, Hp - 1)));
        };
        for (long long x = left; x < a; ++x) rowPixel(x);
        for (long long x = (long long)a + 1; x <= right; ++x) rowPixel(x);
        for (long long y = (long long)b - R + 1; y < b; ++y) colPixel(y);
        for (long long y = (long long)b + 1; y <= (long long)b + R - 1; ++y) colPixel(y);
    }
    progressFinish(progress);
    return dst;
}

Picture Sphericalshousuo(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    TileWriter writer(dst);
    detail::SourceView source(src);
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, crho = c * rho;

    if (R > 1) {
        // 1 / sqrt(c^2 + dy^2) for every row offset the region can reach.
        const long long kMax = std::min<long long>(R, std::max(std::llabs(b), std::llabs((long long)Hp - 1 - b)));
        std::vector<double> invD2(size_t(kMax) + 1);
        for (long long m = 0; m <= kMax; ++m) invD2[size_t(m)] = 1.0 / std::sqrt(c * c + double(m) * double(m));

        auto column = [&](long long x) {
            const detail::ShrinkColumn col = detail::sphericalShrinkColumn(cap, a, int(x));
            const long long n = Round(col.K1);
            if (x < 0 || x >= W) return;
            const double dx = double(a - x);
            const double kc = crho / col.D1;
            auto pixel = [&](long long y) __attribute__((always_inline)) {
                const long long m = std::llabs(b - y);
                const double dy = double(b - y);
                const double inv = m < (long long)invD2.size() ? invD2[size_t(m)] : 1.0 / std::sqrt(c * c + dy * dy);
                const double k = kc * inv;
                double xs = a - k * dx, ys = b - k * dy;
                writer.put(int(x), int(y), source.sample(xs, ys));
            };
            const long long upFrom = std::max((long long)b - n + 1, 0LL), upTo = std::min<long long>((long long)b - 1, Hp - 1);
            for (long long y = upFrom; y <= upTo; ++y) pixel(y);
            const long long downFrom = std::max((long long)b + 1, 0LL), downTo = std::min<long long>((long long)b + n - 1, Hp - 1);
            for (long long y = downFrom; y <= downTo; ++y) pixel(y);
        };

        const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
        for (long long x = left; x < a; ++x) {
            column(x);
            progressStep(progress);
        }
        for (long long x = (long long)a + 1; x <= right; ++x) {
            column(x);
            progressStep(progress);
        }

        // The centre row and column: nearest pixel of the source, clamped
        // into the picture.
        const long double rhoL = rho, cL = c;
        auto shift = [&](long long d) -> long double {
            const long double dl = static_cast<long double>(d);
            return dl * rhoL / std::sqrt(cL * cL + dl * dl);
        };
        const bool rowInside = b >= 0 && b < Hp;
        const bool colInside = a >= 0 && a < W;
        auto rowPixel = [&](long long x) {
            if (!rowInside || x < 0 || x >= W) return;
            double xs = double(static_cast<long double>(a) - shift(a - x));
            if (xs < 0) xs = 0;
            if (xs > W - 1) xs = W - 1;
            put(dst, int(x), b, src.pixel(Round(xs), b));
        };
        auto colPixel = [&](long long y) {
            if (!colInside || y < 0 || y >= Hp) return;
            double ys = double(static_cast<long double>(b) - shift(b - y));
            if (ys < 0) ys = 0;
            if (ys > Hp - 1) ys = Hp - 1;
            put(dst, a, int(y), src.pixel(a, Round(ys)));
        };
        for (long long x = left; x < a; ++x) rowPixel(x);
        for (long long x = (long long)a + 1; x <= right; ++x) rowPixel(x);
        for (long long y = (long long)b - R + 1; y < b; ++y) colPixel(y);
        for (long long y = (long long)b + 1; y <= (long long)b + R - 1; ++y) colPixel(y);
    }
    progressFinish(progress);
    return dst;
}

Picture SphericalStretch(int toolKind, const Picture& src, int a, int b, int R, int H, Progress* progress) {
    switch (toolKind) {
    case 1: return Sphericalpengzhang(src, a, b, R, H, progress);
    case 2: return Sphericalshousuo(src, a, b, R, H, progress);
    case 3: return Sphericalyouxuan(src, a, b, R, H, progress);
    case 4: return Sphericalzuoxuan(src, a, b, R, H, progress);
    default: return src;
    }
}

} // namespace jollix
