#include "effects/start_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace jollix {

namespace {

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// Hue 0 .. 360 at full saturation and medium lightness.
Colour hueColour(double h) {
    const double x = std::fmod(h, 360.0) / 60.0;
    const int sector = int(x);
    const double f = x - sector;
    switch (sector) {
        case 0: return {255, 255 * f, 0};
        case 1: return {255 * (1 - f), 255, 0};
        case 2: return {0, 255, 255 * f};
        case 3: return {0, 255 * (1 - f), 255};
        case 4: return {255 * f, 0, 255};
        default: return {255, 0, 255 * (1 - f)};
    }
}

constexpr double kPi = 3.14159265358979323846;

// A small raster painter. Shapes are given as inside(x, y) tests on real
// coordinates and are smoothed by 4 x 4 samples per pixel; colours may vary
// across a shape. Everything is plain arithmetic, so the picture is the
// same on every run.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), rgb_(size_t(w) * h * 3, 0.0) {}

    // Every pixel of the box gets colourAt(x, y) (pixel centres).
    template <class ColourAt>
    void paint(int x0, int y0, int x1, int y1, ColourAt colourAt) {
        clip(x0, y0, x1, y1);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) put(x, y, colourAt(x + 0.5, y + 0.5), 1.0);
    }

    // The part of the box inside the shape gets colourAt, blended by the
    // share of samples inside, times opacity.
    template <class Inside, class ColourAt>
    void fill(double bx0, double by0, double bx1, double by1, Inside inside, ColourAt colourAt, double opacity = 1.0) {
        int x0 = int(std::floor(bx0)), y0 = int(std::floor(by0));
        int x1 = int(std::ceil(bx1)) + 1, y1 = int(std::ceil(by1)) + 1;
        clip(x0, y0, x1, y1);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
                if (hits) put(x, y, colourAt(x + 0.5, y + 0.5), opacity * hits / 16.0);
            }
    }

    template <class Inside>
    void fill(double bx0, double by0, double bx1, double by1, Inside inside, Colour c, double opacity = 1.0) {
        fill(
            bx0, by0, bx1, by1, inside, [c](double, double) { return c; }, opacity);
    }

    Picture picture() const {
        std::vector<uint8_t> bgr(rgb_.size());
        for (size_t i = 0; i < size_t(w_) * h_; ++i) {
            auto byte = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
            bgr[i * 3] = byte(rgb_[i * 3 + 2]);
            bgr[i * 3 + 1] = byte(rgb_[i * 3 + 1]);
            bgr[i * 3 + 2] = byte(rgb_[i * 3]);
        }
        return Picture::fromFlat(w_, h_, bgr.data(), size_t(w_) * 3);
    }

private:
    void clip(int& x0, int& y0, int& x1, int& y1) const {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, w_);
        y1 = std::min(y1, h_);
    }
    void put(int x, int y, Colour c, double a) {
        double* p = &rgb_[(size_t(y) * w_ + x) * 3];
        p[0] += (c.r - p[0]) * a;
        p[1] += (c.g - p[1]) * a;
        p[2] += (c.b - p[2]) * a;
    }

    int w_, h_;
    std::vector<double> rgb_;
};

// --- shapes -------------------------------------------------------------

void disc(Canvas& c, double cx, double cy, double r, Colour col, double opacity = 1.0) {
    c.fill(
        cx - r, cy - r, cx + r, cy + r,
        [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, col, opacity);
}

// A disc lit from the top left: lighter there, darker at the far rim.
void ball(Canvas& c, double cx, double cy, double r, Colour col) {
    c.fill(
        cx - r, cy - r, cx + r, cy + r,
        [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; },
        [=](double x, double y) {
            const double d = std::hypot(x - (cx - r * 0.35), y - (cy - r * 0.35)) / (r * 1.35);
            return d < 0.5 ? mix(mix(col, Colour{255, 255, 255}, 0.35), col, d * 2)
                           : mix(col, scale(col, 0.72), std::min(1.0, (d - 0.5) * 2));
        });
}

void ellipse(Canvas& c, double cx, double cy, double rx, double ry, Colour col, double opacity = 1.0) {
    c.fill(
        cx - rx, cy - ry, cx + rx, cy + ry,
        [=](double x, double y) {
            const double u = (x - cx) / rx, v = (y - cy) / ry;
            return u * u + v * v <= 1;
        },
        col, opacity);
}

void ring(Canvas& c, double cx, double cy, double r0, double r1, Colour col, double opacity = 1.0) {
    c.fill(
        cx - r1, cy - r1, cx + r1, cy + r1,
        [=](double x, double y) {
            const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            return d2 >= r0 * r0 && d2 <= r1 * r1;
        },
        col, opacity);
}

double segmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

void line(Canvas& c, double ax, double ay, double bx, double by, double width, Colour col) {
    const double r = width / 2;
    c.fill(
        std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r,
        [=](double x, double y) { return segmentDistance(x, y, ax, ay, bx, by) <= r; }, col);
}

// An arc of the circle (cx, cy, r) from angle a0 to a1 (degrees, 0 to the
// right, clockwise on screen), drawn as a band `width` wide.
void arc(Canvas& c, double cx, double cy, double r, double a0, double a1, double width, Colour col) {
    const double h = width / 2;
    c.fill(
        cx - r - h, cy - r - h, cx + r + h, cy + r + h,
        [=](double x, double y) {
            const double d = std::hypot(x - cx, y - cy);
            if (std::fabs(d - r) > h) return false;
            double a = std::atan2(y - cy, x - cx) * 180 / kPi;
            if (a < a0) a += 360;
            return a >= a0 && a <= a1;
        },
        col);
}

void triangle(Canvas& c, double x0, double y0, double x1, double y1, double x2, double y2, Colour col) {
    auto side = [](double ax, double ay, double bx, double by, double x, double y) {
        return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    };
    const double orient = side(x0, y0, x1, y1, x2, y2);
    c.fill(
        std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}), std::max({y0, y1, y2}),
        [=](double x, double y) {
            const double s0 = side(x0, y0, x1, y1, x, y) * orient;
            const double s1 = side(x1, y1, x2, y2, x, y) * orient;
            const double s2 = side(x2, y2, x0, y0, x, y) * orient;
            return s0 >= 0 && s1 >= 0 && s2 >= 0;
        },
        col);
}

void roundedRect(Canvas& c, double x0, double y0, double x1, double y1, double r, Colour col, double opacity = 1.0) {
    c.fill(
        x0, y0, x1, y1,
        [=](double x, double y) {
            if (x < x0 || x > x1 || y < y0 || y > y1) return false;
            const double qx = std::max({x0 + r - x, 0.0, x - (x1 - r)});
            const double qy = std::max({y0 + r - y, 0.0, y - (y1 - r)});
            return qx * qx + qy * qy <= r * r;
        },
        col, opacity);
}

// --- letters --------------------------------------------------------------

struct Glyph {
    char letter;
    const char* rows[7];
};

constexpr Glyph kFont[] = {
    {'J', {"  ###", "   # ", "   # ", "   # ", "#  # ", "#  # ", " ##  "}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'I', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####"}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'!', {"  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "     ", "  #  "}},
};

const Glyph* glyphOf(char ch) {
    for (const Glyph& g : kFont)
        if (g.letter == ch) return &g;
    return nullptr;
}

// Text of blocky letters, each cell `cell` pixels; every letter gets its
// colour from colourOf(letter index), optionally striped diagonally with a
// lighter tone, with a dark outline and a soft drop shadow.
template <class ColourOf>
void blockText(Canvas& c, const char* text, double x, double y, double cell, ColourOf colourOf, bool stripes) {
    const double edge = std::max(1.0, cell * 0.22);
    const double shadow = std::max(1.5, cell * 0.35);
    for (int pass = 0; pass < 3; ++pass) {
        double lx = x;
        for (int i = 0; text[i]; ++i, lx += 6 * cell) {
            const Glyph* g = glyphOf(text[i]);
            if (!g) continue;
            const Colour base = colourOf(i);
            const Colour light = mix(base, Colour{255, 255, 255}, 0.5);
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col) {
                    if (g->rows[row][col] != '#') continue;
                    const double bx = lx + col * cell, by = y + row * cell;
                    if (pass == 0) {
                        roundedRect(c, bx + shadow - edge, by + shadow - edge, bx + cell + shadow + edge,
                                    by + cell + shadow + edge, edge, Colour{30, 20, 60}, 0.35);
                    } else if (pass == 1) {
                        roundedRect(c, bx - edge, by - edge, bx + cell + edge, by + cell + edge, edge,
                                    Colour{35, 25, 45});
                    } else {
                        c.fill(
                            bx, by, bx + cell, by + cell,
                            [=](double px, double py) {
                                return px >= bx && px <= bx + cell && py >= by && py <= by + cell;
                            },
                            [=](double px, double py) {
                                if (!stripes) return base;
                                return std::fmod(px + py + 1000.0, 10.0) < 5.0 ? base : light;
                            });
                    }
                }
        }
    }
}

// --- scenery --------------------------------------------------------------

constexpr int kHorizon = 338;

void sky(Canvas& c, int w) {
    const Colour top{38, 104, 196}, low{178, 224, 250};
    c.paint(0, 0, w, kHorizon, [=](double, double y) { return mix(top, low, y / kHorizon); });
}

void rainbow(Canvas& c, int w) {
    const Colour bands[] = {{228, 40, 40},  {250, 140, 30}, {250, 225, 40}, {60, 180, 75},
                            {40, 120, 220}, {80, 60, 170},  {150, 70, 190}};
    const double cx = w / 2.0, cy = 470, outer = 305, width = 11;
    for (int i = 0; i < 7; ++i) ring(c, cx, cy, outer - (i + 1) * width, outer - i * width, bands[i], 0.8);
}

void cloud(Canvas& c, double x, double y, double s) {
    const Colour white{252, 252, 255}, shade{215, 225, 240};
    const double puffs[][3] = {{0, 6, 16}, {20, -4, 20}, {42, 2, 17}, {60, 9, 12}, {-14, 12, 10}};
    for (const auto& p : puffs) disc(c, x + p[0] * s, y + p[1] * s + 3 * s, p[2] * s, shade);
    for (const auto& p : puffs) disc(c, x + p[0] * s, y + p[1] * s, p[2] * s, white);
}

void sun(Canvas& c, double cx, double cy) {
    const Colour ray{255, 200, 40};
    for (int i = 0; i < 12; ++i) {
        const double a = i * kPi / 6 + 0.13, b = a + 0.16, m = a + 0.08;
        triangle(c, cx + 36 * std::cos(a), cy + 36 * std::sin(a), cx + 36 * std::cos(b), cy + 36 * std::sin(b),
                 cx + 54 * std::cos(m), cy + 54 * std::sin(m), ray);
    }
    ball(c, cx, cy, 32, Colour{255, 214, 30});
    // A sleepy smile.
    arc(c, cx - 11, cy - 4, 6, 200, 340, 3, Colour{190, 90, 10});
    arc(c, cx + 11, cy - 4, 6, 200, 340, 3, Colour{190, 90, 10});
    arc(c, cx, cy + 4, 14, 25, 155, 3.5, Colour{190, 90, 10});
}

void bubble(Canvas& c, double cx, double cy, double r) {
    disc(c, cx, cy, r, Colour{220, 240, 255}, 0.35);
    ring(c, cx, cy, r - 2, r, Colour{255, 255, 255}, 0.9);
    arc(c, cx, cy, r * 0.65, 200, 250, std::max(2.0, r * 0.15), Colour{255, 255, 255});
}

void grass(Canvas& c, int w, int h) {
    const Colour a{76, 168, 62}, b{98, 190, 78};
    c.paint(0, kHorizon, w, h, [=](double x, double y) {
        const double t = (y - kHorizon) / (h - kHorizon);
        const Colour stripe = std::fmod(x + (y - kHorizon) * 0.6, 48.0) < 24.0 ? a : b;
        return mix(stripe, scale(stripe, 0.78), t);
    });
    c.paint(0, kHorizon, w, kHorizon + 3, [](double, double) { return Colour{52, 120, 46}; });
}

void flower(Canvas& c, double cx, double cy, Colour petal) {
    line(c, cx, cy, cx + 2, cy + 24, 3, Colour{40, 110, 40});
    ellipse(c, cx + 8, cy + 16, 7, 3, Colour{50, 140, 50});
    for (int i = 0; i < 6; ++i) {
        const double a = i * kPi / 3;
        disc(c, cx + 8 * std::cos(a), cy + 8 * std::sin(a), 6, petal);
    }
    disc(c, cx, cy, 5, Colour{250, 210, 40});
}

void checkerboard(Canvas& c, int x0, int y0, int cols, int rows, int cell) {
    roundedRect(c, x0 - 6, y0 - 6, x0 + cols * cell + 6, y0 + rows * cell + 6, 5, Colour{120, 72, 36});
    c.paint(x0, y0, x0 + cols * cell, y0 + rows * cell, [=](double x, double y) {
        const int i = int((x - x0) / cell), j = int((y - y0) / cell);
        return (i + j) % 2 ? Colour{20, 20, 20} : Colour{245, 245, 240};
    });
}

void target(Canvas& c, double cx, double cy) {
    for (int i = 0; i < 6; ++i) {
        const double r = 42 - i * 7;
        disc(c, cx, cy, r, i % 2 ? Colour{255, 255, 255} : Colour{220, 30, 40});
    }
    line(c, cx + 48, cy - 40, cx + 2, cy - 2, 3, Colour{110, 70, 30});
    triangle(c, cx + 44, cy - 44, cx + 56, cy - 40, cx + 50, cy - 30, Colour{40, 160, 220});
}

void rampStrip(Canvas& c, int w, int h) {
    c.paint(0, h - 23, w, h - 22, [](double, double) { return Colour{15, 15, 15}; });
    c.paint(0, h - 22, w, h - 11, [=](double x, double) { return hueColour(360.0 * x / w); });
    c.paint(0, h - 11, w, h, [=](double x, double) {
        const double v = 255.0 * x / w;
        return Colour{v, v, v};
    });
}

// --- the two faces ----------------------------------------------------------

void happyFace(Canvas& c, double cx, double cy) {
    const double r = 98;
    const Colour ink{90, 50, 20};
    // Spiky orange hair behind the face.
    for (int i = 0; i < 9; ++i) {
        const double a = kPi * (1.08 + i * 0.105);
        const double b0 = a - 0.16, b1 = a + 0.16;
        triangle(c, cx + (r - 4) * std::cos(b0), cy + (r - 4) * std::sin(b0), cx + (r - 4) * std::cos(b1),
                 cy + (r - 4) * std::sin(b1), cx + (r + 30) * std::cos(a), cy + (r + 30) * std::sin(a),
                 i % 2 ? Colour{240, 120, 20} : Colour{215, 85, 15});
    }
    disc(c, cx, cy, r + 3, ink);
    ball(c, cx, cy, r, Colour{255, 212, 60});
    // Eyes looking to the right.
    for (double ex : {cx - 36, cx + 34}) {
        ellipse(c, ex, cy - 26, 21, 27, Colour{40, 30, 20});
        ellipse(c, ex, cy - 26, 18, 24, Colour{255, 255, 255});
        disc(c, ex + 5, cy - 20, 11, Colour{40, 120, 210});
        disc(c, ex + 6, cy - 19, 6, Colour{10, 10, 10});
        disc(c, ex + 2, cy - 24, 3, Colour{255, 255, 255});
        arc(c, ex, cy - 38, 22, 215, 325, 5, ink);  // eyebrow
    }
    // Nose and rosy cheeks.
    ellipse(c, cx, cy + 6, 9, 12, Colour{235, 160, 40});
    disc(c, cx - 62, cy + 22, 15, Colour{250, 110, 120}, 0.5);
    disc(c, cx + 62, cy + 22, 15, Colour{250, 110, 120}, 0.5);
    // A wide grin: the lower half of an ellipse, with teeth and tongue.
    const double mx = cx, my = cy + 28, rx = 56, ry = 44;
    auto inMouth = [=](double x, double y) {
        const double u = (x - mx) / rx, v = (y - my) / ry;
        return y >= my && u * u + v * v <= 1;
    };
    c.fill(
        mx - rx - 4, my - 4, mx + rx + 4, my + ry + 4,
        [=](double x, double y) {
            const double u = (x - mx) / (rx + 4), v = (y - my) / (ry + 4);
            return y >= my - 4 && u * u + v * v <= 1;
        },
        ink);
    c.fill(mx - rx, my, mx + rx, my + ry, inMouth, Colour{150, 20, 40});
    c.fill(
        mx - rx, my, mx + rx, my + 12, [=](double x, double y) { return inMouth(x, y) && y <= my + 11; },
        Colour{255, 255, 250});
    for (int t = -3; t <= 3; ++t) line(c, mx + t * 14, my, mx + t * 14, my + 11, 1.5, Colour{200, 190, 180});
    c.fill(
        mx - 30, my + 18, mx + 30, my + ry,
        [=](double x, double y) { return inMouth(x, y) && std::hypot(x - mx, y - (my + 44)) <= 26; },
        Colour{245, 105, 125});
}

void coolFace(Canvas& c, double cx, double cy) {
    const double r = 92;
    const Colour ink{70, 30, 30}, skin{250, 178, 140};
    // Purple curls behind and around the top of the head.
    for (int i = 0; i < 11; ++i) {
        const double a = kPi * (0.92 + i * 0.116);
        ball(c, cx + (r + 4) * std::cos(a), cy + (r + 4) * std::sin(a), 24, Colour{130, 60, 170});
    }
    // Ears.
    for (double s : {-1.0, 1.0}) {
        disc(c, cx + s * (r - 2), cy + 6, 19, ink);
        disc(c, cx + s * (r - 2), cy + 6, 16, mix(skin, Colour{230, 120, 100}, 0.3));
    }
    disc(c, cx, cy, r + 3, ink);
    ball(c, cx, cy, r, skin);
    // Freckles.
    const double freckles[][2] = {{-52, 12}, {-44, 22}, {-58, 26}, {48, 14}, {56, 24}, {42, 26}, {-36, 14}, {36, 16}};
    for (const auto& f : freckles) disc(c, cx + f[0], cy + f[1], 2.5, Colour{170, 90, 60});
    // roundToInt glasses with tinted lenses and surprised eyes behind them.
    for (double s : {-1.0, 1.0}) {
        const double gx = cx + s * 34, gy = cy - 22;
        disc(c, gx, gy, 26, Colour{150, 220, 250}, 0.6);
        ellipse(c, gx, gy, 11, 13, Colour{255, 255, 255});
        disc(c, gx - s * 2, gy + 2, 6, Colour{20, 20, 20});
        disc(c, gx - s * 2 - 2, gy - 1, 2, Colour{255, 255, 255});
        ring(c, gx, gy, 24, 29, Colour{20, 20, 30});
        arc(c, gx, gy - 6, 30, 230, 310, 4, ink);  // raised eyebrow
    }
    line(c, cx - 8, cy - 26, cx + 8, cy - 26, 5, Colour{20, 20, 30});
    line(c, cx - 62, cy - 28, cx - r + 4, cy - 36, 4, Colour{20, 20, 30});
    line(c, cx + 62, cy - 28, cx + r - 4, cy - 36, 4, Colour{20, 20, 30});
    // A red clown nose.
    ball(c, cx, cy + 14, 17, Colour{225, 30, 35});
    // Open mouth saying "oh".
    ellipse(c, cx, cy + 56, 24, 19, ink);
    ellipse(c, cx, cy + 56, 20, 15, Colour{140, 20, 40});
    ellipse(c, cx, cy + 64, 11, 6, Colour{245, 105, 125});
}

void bowTie(Canvas& c, double cx, double cy) {
    const Colour red{210, 30, 50}, dark{120, 10, 30};
    triangle(c, cx, cy, cx - 40, cy - 22, cx - 40, cy + 22, red);
    triangle(c, cx, cy, cx + 40, cy - 22, cx + 40, cy + 22, red);
    for (double s : {-1.0, 1.0})
        for (const auto& d : {std::pair{-26.0, -8.0}, {-30.0, 10.0}, {-14.0, 2.0}})
            disc(c, cx + s * -d.first, cy + d.second, 3.5, Colour{255, 255, 255});
    ellipse(c, cx, cy, 9, 11, dark);
}

}  // namespace

Picture drawStartPicture() {
    const int w = kDefaultPictureWidth, h = kDefaultPictureHeight;
    Canvas c(w, h);
    sky(c, w);
    rainbow(c, w);
    cloud(c, 34, 112, 1.0);
    cloud(c, 470, 120, 0.8);
    sun(c, 548, 58);
    for (const auto& b : {std::array<double, 3>{92, 190, 13},
                          {30, 236, 8},
                          {520, 196, 15},
                          {578, 246, 9},
                          {300, 116, 11},
                          {262, 148, 6}})
        bubble(c, b[0], b[1], b[2]);
    grass(c, w, h);

    blockText(
        c, "JOLLIX", 132, 14, 9.5, [](int i) { return hueColour(i * 55.0 + 5); }, true);

    happyFace(c, 158, 246);
    coolFace(c, 446, 250);
    bowTie(c, 446, 364);

    checkerboard(c, 20, 372, 10, 5, 12);
    target(c, 252, 398);
    flower(c, 328, 382, Colour{250, 250, 255});
    flower(c, 362, 402, Colour{250, 120, 190});
    flower(c, 196, 414, Colour{140, 120, 255});
    blockText(
        c, "HAVE FUN!", 396, 408, 3.5,
        [](int i) {
            return i < 4 ? Colour{255, 235, 60} : Colour{255, 255, 255};
        },
        false);
    rampStrip(c, w, h);
    return c.picture();
}

}  // namespace jollix
