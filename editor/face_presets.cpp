#include "editor/face_presets.h"

#include <algorithm>
#include <cmath>

#include "core/numeric.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/spherical.h"
#include "effects/brushes/twist.h"

namespace jollix {

namespace {

// A face's measures for the recipes, in picture pixels.
struct Measures {
    double width;         // of the face's box
    double eyeX, eyeY;    // the middle between the eyes
    double downX, downY;  // unit vector from the eyes towards the mouth
    double eyeToMouth;    // distance from the eyes' middle to the mouth
    double leftEyeX, leftEyeY, rightEyeX, rightEyeY, eyeWidth;
};

Measures measure(const Face& f) {
    Measures m{};
    m.width = std::max(1, f.box.width);
    m.leftEyeX = f.leftEye.x + f.leftEye.width / 2.0;
    m.leftEyeY = f.leftEye.y + f.leftEye.height / 2.0;
    m.rightEyeX = f.rightEye.x + f.rightEye.width / 2.0;
    m.rightEyeY = f.rightEye.y + f.rightEye.height / 2.0;
    m.eyeWidth = std::max(1.0, (f.leftEye.width + f.rightEye.width) / 2.0);
    m.eyeX = (m.leftEyeX + m.rightEyeX) / 2;
    m.eyeY = (m.leftEyeY + m.rightEyeY) / 2;
    const double dx = f.mouth.x - m.eyeX, dy = f.mouth.y - m.eyeY;
    m.eyeToMouth = std::hypot(dx, dy);
    if (m.eyeToMouth < 1) {
        m.eyeToMouth = std::max(1.0, m.width * 0.45);
        m.downX = 0;
        m.downY = 1;
    } else {
        m.downX = dx / m.eyeToMouth;
        m.downY = dy / m.eyeToMouth;
    }
    return m;
}

// The point `along` eye-to-mouth distances below the eyes' middle (negative:
// above them).
void below(const Measures& m, double along, double& x, double& y) {
    x = m.eyeX + m.downX * m.eyeToMouth * along;
    y = m.eyeY + m.downY * m.eyeToMouth * along;
}

// An application at (x, y) with radius `radius` and strength radius / ratio
// (at least 1 pixel each).
BrushApplication at(FaceBrush brush, double x, double y, double radius, double ratio) {
    BrushApplication a{brush};
    a.x = roundToInt(x);
    a.y = roundToInt(y);
    a.radius = std::max(2, roundToInt(radius));
    a.strength = std::max(1, roundToInt(a.radius / ratio));
    return a;
}

std::vector<BrushApplication> bigEyes(const Face& f) {
    const Measures m = measure(f);
    const double r = m.eyeWidth * 0.85;
    return {at(FaceBrush::SphericalExpand, m.leftEyeX, m.leftEyeY, r, 1.8),
            at(FaceBrush::SphericalExpand, m.rightEyeX, m.rightEyeY, r, 1.8)};
}

std::vector<BrushApplication> bigNose(const Face& f) {
    const Measures m = measure(f);
    return {at(FaceBrush::SphericalExpand, f.nose.x, f.nose.y, m.width * 0.24, 1.6)};
}

std::vector<BrushApplication> tinyChin(const Face& f) {
    const Measures m = measure(f);
    double x, y;
    below(m, 1.45, x, y);
    return {at(FaceBrush::SphericalShrink, x, y, m.width * 0.32, 1.7)};
}

std::vector<BrushApplication> alien(const Face& f) {
    const Measures m = measure(f);
    double fx, fy, cx, cy;
    below(m, -0.75, fx, fy);  // the forehead
    below(m, 1.45, cx, cy);   // the chin
    const double r = m.eyeWidth * 0.8;
    return {at(FaceBrush::SphericalExpand, fx, fy, m.width * 0.38, 1.8),
            at(FaceBrush::SphericalExpand, m.leftEyeX, m.leftEyeY, r, 1.6),
            at(FaceBrush::SphericalExpand, m.rightEyeX, m.rightEyeY, r, 1.6),
            at(FaceBrush::SphericalShrink, cx, cy, m.width * 0.34, 1.6)};
}

std::vector<BrushApplication> twistedGrin(const Face& f) {
    const Measures m = measure(f);
    return {at(FaceBrush::TwistClockwise, f.mouth.x, f.mouth.y, m.width * 0.3, 3.5)};
}

std::vector<BrushApplication> dizzyEyes(const Face& f) {
    const Measures m = measure(f);
    const double r = m.eyeWidth * 0.85;
    return {at(FaceBrush::TwistClockwise, m.leftEyeX, m.leftEyeY, r, 3.2),
            at(FaceBrush::TwistAnticlockwise, m.rightEyeX, m.rightEyeY, r, 3.2)};
}

std::vector<BrushApplication> longFace(const Face& f) {
    const Measures m = measure(f);
    return {at(FaceBrush::VerticalExpand, f.nose.x, f.nose.y, m.width * 0.6, 1.6)};
}

std::vector<BrushApplication> squashedFace(const Face& f) {
    const Measures m = measure(f);
    return {at(FaceBrush::VerticalShrink, f.nose.x, f.nose.y, m.width * 0.6, 1.6)};
}

std::vector<BrushApplication> fatCheeks(const Face& f) {
    const Measures m = measure(f);
    double x, y;
    below(m, 0.8, x, y);
    return {at(FaceBrush::HorizontalExpand, x, y, m.width * 0.6, 1.6)};
}

std::vector<BrushApplication> thinFace(const Face& f) {
    const Measures m = measure(f);
    return {at(FaceBrush::HorizontalShrink, f.nose.x, f.nose.y, m.width * 0.6, 1.6)};
}

// The mouth runs down its chin: three strokes (the corners and the middle),
// each dragged down again from where the last one ended.
std::vector<BrushApplication> meltingMouth(const Face& f) {
    const Measures m = measure(f);
    const double across = std::hypot(m.rightEyeX - m.leftEyeX, m.rightEyeY - m.leftEyeY) * 0.35;
    const double sideX = m.downY, sideY = -m.downX;  // along the mouth
    const double radius = std::max(4.0, m.width * 0.2), step = radius / 2;
    std::vector<BrushApplication> strokes;
    for (int stroke = 0; stroke < 3; ++stroke) {
        for (double side : {-1.0, 0.0, 1.0}) {
            const double x = f.mouth.x + sideX * across * side + m.downX * step * stroke;
            const double y = f.mouth.y + sideY * across * side + m.downY * step * stroke;
            BrushApplication a = at(FaceBrush::Smear, x, y, radius, 1);
            a.strength = 0;
            a.toX = roundToInt(x + m.downX * step);
            a.toY = roundToInt(y + m.downY * step);
            strokes.push_back(a);
        }
    }
    return strokes;
}

constexpr FacePreset kPresets[] = {
    {"Big eyes", "bigeyes", bigEyes},
    {"Big nose", "bignose", bigNose},
    {"Tiny chin", "tinychin", tinyChin},
    {"Alien", "alien", alien},
    {"Twisted grin", "twistedgrin", twistedGrin},
    {"Dizzy eyes", "dizzyeyes", dizzyEyes},
    {"Long face", "longface", longFace},
    {"Squashed face", "squashedface", squashedFace},
    {"Fat cheeks", "fatcheeks", fatCheeks},
    {"Thin face", "thinface", thinFace},
    {"Melting mouth", "meltingmouth", meltingMouth},
};

}  // namespace

std::span<const FacePreset> facePresets() { return kPresets; }

const FacePreset* facePresetNamed(std::string_view batchName) {
    for (const FacePreset& p : kPresets)
        if (batchName == p.batchName) return &p;
    return nullptr;
}

std::vector<BrushApplication> presetApplications(const FacePreset& preset, const std::vector<Face>& faces) {
    std::vector<BrushApplication> all;
    for (const Face& f : faces) {
        const std::vector<BrushApplication> one = preset.recipe(f);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

Picture applyBrush(const Picture& src, const BrushApplication& a, Progress* progress) {
    switch (a.brush) {
        case FaceBrush::SphericalExpand: return sphericalExpand(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::SphericalShrink: return sphericalShrink(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::VerticalExpand: return verticalExpand(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::VerticalShrink: return verticalShrink(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::HorizontalExpand: return horizontalExpand(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::HorizontalShrink: return horizontalShrink(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::TwistClockwise: return twistClockwise(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::TwistAnticlockwise: return twistAnticlockwise(src, a.x, a.y, a.radius, a.strength, progress);
        case FaceBrush::Smear: return smear(src, a.x, a.y, a.toX, a.toY, a.radius, progress);
    }
    return src;
}

}  // namespace jollix
