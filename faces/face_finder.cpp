#include "faces/face_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <sstream>
#include <tuple>

#include "core/tiles.h"
#include "core/error.h"
#include "core/parallel.h"

namespace jollix {

namespace {

// What reducing one pixel to the grey search picture costs a core.
constexpr parallel::PixelCost kReduceCost{1};

// The cascades, read once and shared; the detector is not meant to be used
// from two threads at once, so one search runs at a time.
struct Cascades {
    cv::CascadeClassifier frontal, confirm, eye, profile;
};

std::mutex cascadeLock;

cv::CascadeClassifier load(const char* file) {
    const std::string path = std::string(JOLLIX_OPENCV_DATA) + "/" + file;
    cv::CascadeClassifier c;
    bool loaded = false;
    try {
        loaded = c.load(path);
    } catch (const cv::Exception&) {
        loaded = false;
    }
    if (!loaded || c.empty())
        throw JollixError("The face finder's data " + path +
                          " could not be read; it comes with the package opencv-data.");
    return c;
}

Cascades& cascades() {
    static std::unique_ptr<Cascades> held;
    if (!held) {
        auto c = std::make_unique<Cascades>();
        c->frontal = load("lbpcascades/lbpcascade_frontalface.xml");
        c->confirm = load("haarcascades/haarcascade_frontalface_default.xml");
        c->eye = load("haarcascades/haarcascade_eye.xml");
        held = std::move(c);
    }
    return *held;
}

inline int greyOf(const uint8_t* bgr) { return (bgr[0] * 114 + bgr[1] * 587 + bgr[2] * 299 + 500) / 1000; }

// The grey picture reduced by `factor` in both directions: each pixel the
// mean of its factor x factor block (the blocks on the right and bottom
// edges may be smaller). Rows of blocks are shared over the cores.
cv::Mat reducedGrey(const Picture& picture, int factor) {
    const int w = picture.width(), h = picture.height();
    const int rw = (w + factor - 1) / factor, rh = (h + factor - 1) / factor;
    cv::Mat out(rh, rw, CV_8UC1);
    const unsigned threads = parallel::threadsFor((long long)w * h, kReduceCost);
    std::vector<std::vector<uint8_t>> rows(threads, std::vector<uint8_t>(size_t(w) * 3));
    std::vector<std::vector<uint32_t>> sums(threads, std::vector<uint32_t>(size_t(rw)));
    const TileReader reader(picture);
    parallel::forItems(size_t(rh), threads, [&](size_t ry, unsigned worker) {
        std::vector<uint8_t>& row = rows[worker];
        std::vector<uint32_t>& sum = sums[worker];
        std::fill(sum.begin(), sum.end(), 0u);
        const int y0 = int(ry) * factor, y1 = std::min(h, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            reader.copyRow(y, 0, w, row.data());
            const uint8_t* p = row.data();
            for (int x = 0; x < w; ++x, p += 3) sum[size_t(x / factor)] += uint32_t(greyOf(p));
        }
        uint8_t* o = out.ptr<uint8_t>(int(ry));
        for (int rx = 0; rx < rw; ++rx) {
            const int bw = std::min(w, (rx + 1) * factor) - rx * factor;
            const uint32_t n = uint32_t(bw) * uint32_t(y1 - y0);
            o[rx] = uint8_t((sum[size_t(rx)] + n / 2) / n);
        }
    });
    return out;
}

// The grey pixels of a box of the picture (kept inside it).
cv::Mat greyBox(const Picture& picture, const FaceBox& box) {
    cv::Mat out(box.height, box.width, CV_8UC1);
    std::vector<uint8_t> row(size_t(box.width) * 3);
    const TileReader reader(picture);
    for (int y = 0; y < box.height; ++y) {
        reader.copyRow(box.y + y, box.x, box.width, row.data());
        uint8_t* o = out.ptr<uint8_t>(y);
        for (int x = 0; x < box.width; ++x) o[x] = uint8_t(greyOf(&row[size_t(x) * 3]));
    }
    return out;
}

FaceBox clipped(FaceBox b, int w, int h) {
    const int x1 = std::min(w, b.x + b.width), y1 = std::min(h, b.y + b.height);
    b.x = std::max(0, b.x);
    b.y = std::max(0, b.y);
    b.width = std::max(0, x1 - b.x);
    b.height = std::max(0, y1 - b.y);
    return b;
}

// Two boxes of one face: their common part is over a third of the smaller.
bool overlaps(const FaceBox& a, const FaceBox& b) {
    const long long cw = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const long long ch = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    if (cw <= 0 || ch <= 0) return false;
    return cw * ch * 3 > std::min((long long)a.width * a.height, (long long)b.width * b.height);
}

// The face's box scaled back to the picture.
FaceBox pictureBox(const cv::Rect& r, int factor, int w, int h) {
    return clipped({r.x * factor, r.y * factor, r.width * factor, r.height * factor}, w, h);
}

// A candidate of the fast detector is looked at again by the slower, surer
// one, on its own neighbourhood made kConfirmSize pixels across: a face is
// kept only when it finds one there too, and its box is the face's.
constexpr int kConfirmFace = 96;
constexpr double kConfirmMargin = 0.3;

bool confirmFace(const Picture& picture, cv::CascadeClassifier& confirm, const FaceBox& candidate, FaceBox& face) {
    const int mx = int(candidate.width * kConfirmMargin), my = int(candidate.height * kConfirmMargin);
    const FaceBox area =
        clipped({candidate.x - mx, candidate.y - my, candidate.width + 2 * mx, candidate.height + 2 * my},
                picture.width(), picture.height());
    if (area.width < 8 || area.height < 8) return false;
    const double scale = double(candidate.width) / kConfirmFace;
    cv::Mat grey = greyBox(picture, area), sized;
    cv::resize(
        grey, sized,
        cv::Size(std::max(1, int(std::lround(area.width / scale))), std::max(1, int(std::lround(area.height / scale)))),
        0, 0, scale > 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    cv::equalizeHist(sized, sized);
    std::vector<cv::Rect> found;
    confirm.detectMultiScale(sized, found, 1.05, 3, cv::CASCADE_SCALE_IMAGE,
                             cv::Size(kConfirmFace * 6 / 10, kConfirmFace * 6 / 10),
                             cv::Size(kConfirmFace * 16 / 10, kConfirmFace * 16 / 10));
    if (found.empty()) return false;
    // The one nearest to the candidate's centre.
    const double cx = sized.cols / 2.0, cy = sized.rows / 2.0;
    const cv::Rect best = *std::min_element(found.begin(), found.end(), [&](const cv::Rect& a, const cv::Rect& b) {
        return std::hypot(a.x + a.width / 2.0 - cx, a.y + a.height / 2.0 - cy) <
               std::hypot(b.x + b.width / 2.0 - cx, b.y + b.height / 2.0 - cy);
    });
    face = clipped({area.x + int(std::lround(best.x * scale)), area.y + int(std::lround(best.y * scale)),
                    int(std::lround(best.width * scale)), int(std::lround(best.height * scale))},
                   picture.width(), picture.height());
    return face.width > 0 && face.height > 0;
}

// The eyes: searched on the upper middle band of the face, made kEyeFaceWidth
// pixels wide; on each half of the face the candidate nearest to where an
// eye usually is wins. An eye not found is placed where it usually is, or
// mirrored from the other one when that was found.
constexpr int kEyeFaceWidth = 240;
constexpr double kEyeRow = 0.38, kEyeColumn = 0.3, kEyeSize = 0.22;
constexpr double kBandTop = 0.15, kBandBottom = 0.62;

void findEyes(const Picture& picture, cv::CascadeClassifier& eyes, Face& face) {
    const FaceBox& f = face.box;
    const FaceBox band =
        clipped({f.x, f.y + int(f.height * kBandTop), f.width, int(f.height * (kBandBottom - kBandTop))},
                picture.width(), picture.height());
    std::vector<cv::Rect> found;
    double scale = 1;
    if (band.width >= 8 && band.height >= 4) {
        cv::Mat grey = greyBox(picture, band);
        scale = double(band.width) / kEyeFaceWidth;
        cv::Mat sized;
        cv::resize(grey, sized, cv::Size(kEyeFaceWidth, std::max(1, int(std::lround(band.height / scale)))), 0, 0,
                   scale > 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
        cv::equalizeHist(sized, sized);
        eyes.detectMultiScale(sized, found, 1.05, 4, 0, cv::Size(kEyeFaceWidth / 7, kEyeFaceWidth / 7),
                              cv::Size(kEyeFaceWidth / 2, kEyeFaceWidth / 2));
    }
    const double expectY = f.height * kEyeRow;
    auto best = [&](bool leftHalf, FaceBox& eye) {
        const double expectX = f.width * (leftHalf ? kEyeColumn : 1 - kEyeColumn);
        double bestDistance = 1e300;
        bool any = false;
        for (const cv::Rect& r : found) {
            FaceBox e{band.x + int(std::lround(r.x * scale)), band.y + int(std::lround(r.y * scale)),
                      int(std::lround(r.width * scale)), int(std::lround(r.height * scale))};
            const double cx = e.centreX() - f.x, cy = e.centreY() - f.y;
            if ((cx < f.width / 2.0) != leftHalf) continue;
            const double d = std::hypot(cx - expectX, cy - expectY);
            if (d < bestDistance) {
                bestDistance = d;
                eye = e;
                any = true;
            }
        }
        return any;
    };
    face.leftEyeFound = best(true, face.leftEye);
    face.rightEyeFound = best(false, face.rightEye);
    const int size = std::max(1, int(std::lround(f.width * kEyeSize)));
    auto placed = [&](double columnShare) {
        return FaceBox{f.x + int(std::lround(f.width * columnShare)) - size / 2,
                       f.y + int(std::lround(expectY)) - size / 2, size, size};
    };
    auto mirrored = [&](const FaceBox& e) {
        return FaceBox{2 * f.x + f.width - e.x - e.width, e.y, e.width, e.height};
    };
    if (!face.leftEyeFound) face.leftEye = face.rightEyeFound ? mirrored(face.rightEye) : placed(kEyeColumn);
    if (!face.rightEyeFound) face.rightEye = face.leftEyeFound ? mirrored(face.leftEye) : placed(1 - kEyeColumn);
}

// Nose and mouth below the middle of the eyes, across the line joining
// them, at the usual shares of the distance between the eyes.
constexpr double kNoseDepth = 0.6, kMouthDepth = 1.05;

void placeNoseAndMouth(Face& face) {
    const double lx = face.leftEye.x + face.leftEye.width / 2.0, ly = face.leftEye.y + face.leftEye.height / 2.0;
    const double rx = face.rightEye.x + face.rightEye.width / 2.0, ry = face.rightEye.y + face.rightEye.height / 2.0;
    double vx = rx - lx, vy = ry - ly;
    double d = std::hypot(vx, vy);
    if (d < 1) {
        vx = 1;
        vy = 0;
        d = std::max(1.0, face.box.width * (1 - 2 * kEyeColumn));
    } else {
        vx /= d;
        vy /= d;
    }
    const double mx = (lx + rx) / 2, my = (ly + ry) / 2;
    const double nx = -vy, ny = vx;  // across the eyes, downwards
    face.nose = {int(std::lround(mx + nx * d * kNoseDepth)), int(std::lround(my + ny * d * kNoseDepth))};
    face.mouth = {int(std::lround(mx + nx * d * kMouthDepth)), int(std::lround(my + ny * d * kMouthDepth))};
}

}  // namespace

std::vector<Face> findFaces(const Picture& picture, const FaceSearchOptions& options) {
    std::vector<Face> faces;
    if (picture.isEmpty()) return faces;
    const int w = picture.width(), h = picture.height();
    const int side = std::max(64, options.searchSide);
    const int factor = std::max(1, (std::max(w, h) + side - 1) / side);
    cv::Mat grey = reducedGrey(picture, factor);
    cv::equalizeHist(grey, grey);

    std::lock_guard<std::mutex> lock(cascadeLock);
    Cascades& c = cascades();
    // Faces at least a twentieth of the reduced copy's short side (and 24
    // pixels, the cascades' own size).
    const int minSide = std::max(24, std::min(grey.cols, grey.rows) / 20);
    std::vector<cv::Rect> candidates;
    c.frontal.detectMultiScale(grey, candidates, 1.2, 3, cv::CASCADE_SCALE_IMAGE, cv::Size(minSide, minSide));
    struct Found {
        FaceBox box;
        bool turned;  // by the profile cascade
    };
    std::vector<Found> boxes;
    for (const cv::Rect& r : candidates) {
        FaceBox b;
        if (!confirmFace(picture, c.confirm, pictureBox(r, factor, w, h), b)) continue;
        // The same face found twice: the larger box stays.
        auto same = std::find_if(boxes.begin(), boxes.end(), [&](const Found& o) { return overlaps(o.box, b); });
        if (same == boxes.end())
            boxes.push_back({b, false});
        else if (b.width > same->box.width)
            same->box = b;
    }
    if (options.profiles) {
        if (c.profile.empty()) c.profile = load("haarcascades/haarcascade_profileface.xml");
        std::vector<cv::Rect> turned;
        c.profile.detectMultiScale(grey, turned, 1.1, 5, cv::CASCADE_SCALE_IMAGE, cv::Size(minSide, minSide));
        cv::Mat flipped;
        cv::flip(grey, flipped, 1);
        std::vector<cv::Rect> other;
        c.profile.detectMultiScale(flipped, other, 1.1, 5, cv::CASCADE_SCALE_IMAGE, cv::Size(minSide, minSide));
        for (cv::Rect r : other) turned.push_back({grey.cols - r.x - r.width, r.y, r.width, r.height});
        for (const cv::Rect& r : turned) {
            const FaceBox b = pictureBox(r, factor, w, h);
            if (std::none_of(boxes.begin(), boxes.end(), [&](const Found& o) { return overlaps(o.box, b); }))
                boxes.push_back({b, true});
        }
    }
    // Left to right (then top to bottom), so that the same picture always
    // lists its faces the same way.
    std::sort(boxes.begin(), boxes.end(), [](const Found& a, const Found& b) {
        return std::tie(a.box.x, a.box.y, a.box.width, a.box.height) <
               std::tie(b.box.x, b.box.y, b.box.width, b.box.height);
    });
    for (const Found& b : boxes) {
        if (b.box.width < 1 || b.box.height < 1) continue;
        Face face;
        face.box = b.box;
        findEyes(picture, c.eye, face);
        // A front view where neither eye can be seen is most likely a
        // face-like pattern (a blurred blob, a patch on a sleeve).
        if (!face.leftEyeFound && !face.rightEyeFound && !b.turned) continue;
        placeNoseAndMouth(face);
        faces.push_back(face);
    }
    return faces;
}

std::string describeFace(const Face& face) {
    std::ostringstream s;
    auto box = [&](const char* name, const FaceBox& b) {
        s << name << '=' << b.x << ',' << b.y << ',' << b.width << ',' << b.height;
    };
    box("face", face.box);
    s << ' ';
    box("left-eye", face.leftEye);
    s << ' ';
    box("right-eye", face.rightEye);
    s << " nose=" << face.nose.x << ',' << face.nose.y << " mouth=" << face.mouth.x << ',' << face.mouth.y;
    if (!face.leftEyeFound || !face.rightEyeFound) {
        s << " estimated=";
        if (!face.leftEyeFound) s << "left-eye" << (face.rightEyeFound ? "" : ",");
        if (!face.rightEyeFound) s << "right-eye";
    }
    return s.str();
}

}  // namespace jollix
