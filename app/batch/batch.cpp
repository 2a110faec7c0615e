#include "app/batch/batch.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <tuple>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <iostream>
#include <ostream>
#include <sstream>

#include "core/error.h"
#include "io/animated_gif.h"
#include "io/picture_files.h"

namespace jollix::batch {

namespace {

constexpr const char* kWritten = ".jpg, .jpeg, .bmp, .wmf, .png, .webp, .tif or .tiff";

// A step that cannot be run as written; runBatch names it with its position.
struct StepError : JollixError {
    StepError(const std::string& step, const std::string& reason)
        : JollixError("step '" + step + "': " + reason), why(reason) {}
    std::string why;
};

[[noreturn]] void fail(const std::string& step, const std::string& why) { throw StepError(step, why); }

long parseInt(const std::string& step, const std::string& text) {
    if (text.empty()) fail(step, "a number is missing");
    size_t i = 0;
    if (text[0] == '-' || text[0] == '+') i = 1;
    if (i == text.size()) fail(step, "'" + text + "' is not a whole number");
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') fail(step, "'" + text + "' is not a whole number");
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < -1000000000L || v > 1000000000L) fail(step, "'" + text + "' is out of range");
    return v;
}

double parseReal(const std::string& step, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v))
        fail(step, "'" + text + "' is not a number");
    return v;
}

struct Point {
    int x, y;
};

Point parsePoint(const std::string& step, const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) fail(step, "expected a point X,Y, got '" + text + "'");
    return {int(parseInt(step, text.substr(0, comma))), int(parseInt(step, text.substr(comma + 1)))};
}

// "X0,Y0:X1,Y1"
std::pair<Point, Point> parseDrag(const std::string& step, const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) fail(step, "expected a drag X0,Y0:X1,Y1, got '" + text + "'");
    return {parsePoint(step, text.substr(0, colon)), parsePoint(step, text.substr(colon + 1))};
}

bool insideControl(const Editor& e, Point p) {
    return p.x >= 0 && p.y >= 0 && p.x < e.controlWidth() && p.y < e.controlHeight();
}

void requireInside(const Editor& e, const std::string& step, Point p) {
    if (!insideControl(e, p)) {
        std::ostringstream s;
        s << "the point " << p.x << "," << p.y << " is not on the picture (the view is " << e.controlWidth() << " x "
          << e.controlHeight() << " at the current zoom)";
        fail(step, s.str());
    }
}

constexpr HeldButtons kLeftHeld{true, false};

// A press and release at one point with the left button, held for
// `applications` applications: the repeat timer's ticks and the click.
void pressAndRelease(Editor& e, const std::string& step, Point p, long applications) {
    requireInside(e, step, p);
    e.mouseDown(MouseButton::Left, kLeftHeld, p.x, p.y);
    try {
        for (long i = 1; i < applications; ++i) e.repeatTick();
        e.click();
    } catch (...) {
        e.mouseUp(MouseButton::Left, p.x, p.y);
        throw;
    }
    e.mouseUp(MouseButton::Left, p.x, p.y);
}

// The straight line from a to b, both ends included, one point for each
// view pixel along its longer side: point i of n is a + (b - a) * i / n,
// rounded. Only the points whose rubber disc can touch the picture are
// walked (visit gets each): a disc wholly off the picture paints nothing,
// and a drag to a far point would otherwise walk thousands of millions of
// them. Every point that is walked is the one the whole line would give.
template <class Visit>
void walkRubberLine(const Editor& e, Point a, Point b, Visit visit) {
    const long long dx = (long long)b.x - a.x, dy = (long long)b.y - a.y;
    const long long n = std::max(std::llabs(dx), std::llabs(dy));
    auto at = [&](long long i) -> Point {
        if (n == 0) return a;
        return {int(a.x + (long long)std::nearbyint((long double)dx * i / n)),
                int(a.y + (long long)std::nearbyint((long double)dy * i / n))};
    };
    // The disc at view point v covers picture columns cx - r .. cx + r with
    // cx = ViewToPicture(v.x) (and rows likewise); it touches the picture
    // when those ranges meet 0 .. width - 1 and 0 .. height - 1.
    const long double zoom = e.state().zoomPercent;
    const long double r = std::nearbyint((long double)e.state().brushRadiusSlider / zoom * 100.0L);
    auto toPicture = [&](int v) { return std::nearbyint((long double)v / zoom * 100.0L); };
    auto xNear = [&](long long i) { return toPicture(at(i).x) + r >= 0; };
    auto xFar = [&](long long i) { return toPicture(at(i).x) - r <= e.picture().width() - 1; };
    auto yNear = [&](long long i) { return toPicture(at(i).y) + r >= 0; };
    auto yFar = [&](long long i) { return toPicture(at(i).y) - r <= e.picture().height() - 1; };
    // Each condition holds on one end of 0 .. n and not on the other
    // (coordinates move monotonically along the line), so together they hold
    // on one stretch of i, found by bisection.
    long long first = 0, last = n;
    for (auto holds : {std::function<bool(long long)>(xNear), std::function<bool(long long)>(xFar),
                       std::function<bool(long long)>(yNear), std::function<bool(long long)>(yFar)}) {
        if (first > last) return;
        const bool atFirst = holds(first), atLast = holds(last);
        if (atFirst && atLast) continue;
        if (!atFirst && !atLast) return;
        long long lo = first, hi = last;  // holds at one end, not the other
        while (hi - lo > 1) {
            const long long mid = lo + (hi - lo) / 2;
            (holds(mid) == atFirst ? lo : hi) = mid;
        }
        if (atFirst)
            last = lo;
        else
            first = hi;
    }
    for (long long i = first; i <= last; ++i) visit(at(i));
}

void enterTab(Editor& e, int page) {
    if (e.palette().page() != page) e.palette().changeTab(page);
}

// NAME@X,Y[*N]: the point and the number of applications.
std::pair<Point, long> parseBrush(const std::string& step, const std::string& arg) {
    long n = 1;
    std::string point = arg;
    if (const size_t star = arg.find('*'); star != std::string::npos) {
        n = parseInt(step, arg.substr(star + 1));
        if (n < 1 || n > 10000) fail(step, "the number of applications must be 1 to 10000");
        point = arg.substr(0, star);
    }
    return {parsePoint(step, point), n};
}

void sliderStep(Slider& s, const std::string& step, long v) {
    if (v < s.minimum() || v > s.maximum()) {
        std::ostringstream m;
        m << "the slider takes " << s.minimum() << " to " << s.maximum() << " now";
        fail(step, m.str());
    }
    s.userScroll(int(v));
}

// A mistake in how the command was called (exit code 2).
struct UsageError : JollixError {
    using JollixError::JollixError;
};

}  // namespace

namespace {

// One step: its words and numbers are read first, so that with no editor
// the step is only checked; with one it then runs. Whatever depends on the
// state reached (a point on the picture at the current zoom, a slider's
// range) is checked when the step runs.
void step(Editor* editor, const std::string& step) {
    const size_t at = step.find('@');
    const size_t eq = step.find('=');
    if (at != std::string::npos) {
        const std::string name = step.substr(0, at), arg = step.substr(at + 1);
        if (name == "expand" || name == "shrink" || name == "dextro" || name == "levo") {
            const auto [point, n] = parseBrush(step, arg);
            if (!editor) return;
            Editor& e = *editor;
            Palette& pal = e.palette();
            if (name == "expand" || name == "shrink") {
                enterTab(e, kPageDistort);
                name == "expand" ? pal.clickExpand() : pal.clickShrink();
            } else {
                enterTab(e, kPageTwist);
                name == "dextro" ? pal.clickDextrorotary() : pal.clickLevorotary();
            }
            pressAndRelease(e, step, point, n);
        } else if (name == "smear") {
            auto [a, b] = parseDrag(step, arg);
            if (!editor) return;
            Editor& e = *editor;
            enterTab(e, kPageTwist);
            e.palette().clickSmear();
            requireInside(e, step, a);
            e.mouseDown(MouseButton::Left, kLeftHeld, a.x, a.y);
            e.mouseMove(kLeftHeld, b.x, b.y);
            if (insideControl(e, b)) e.click();
            e.mouseUp(MouseButton::Left, b.x, b.y);
        } else if (name == "rubber") {
            Point a, b;
            if (arg.find(':') != std::string::npos) {
                std::tie(a, b) = parseDrag(step, arg);
            } else {
                a = b = parsePoint(step, arg);
            }
            if (!editor) return;
            Editor& e = *editor;
            enterTab(e, kPageSketch);
            if (e.state().sketchTool != kSketchToolRubber) e.palette().clickRubber();
            requireInside(e, step, a);
            e.mouseDown(MouseButton::Left, kLeftHeld, a.x, a.y);
            walkRubberLine(e, a, b, [&](Point p) { e.mouseMove(kLeftHeld, p.x, p.y); });
            e.mouseUp(MouseButton::Left, b.x, b.y);
        } else if (name == "zone") {
            auto [a, b] = parseDrag(step, arg);
            if (!editor) return;
            Editor& e = *editor;
            requireInside(e, step, a);
            requireInside(e, step, b);
            if (!e.state().selectionShown) e.toggleZoneMode();
            e.mouseDown(MouseButton::Left, kLeftHeld, a.x, a.y);
            e.mouseMove(kLeftHeld, b.x, b.y);
            e.mouseUp(MouseButton::Left, b.x, b.y);
        } else if (name == "resize") {
            const Point size = parsePoint(step, arg);
            if (size.x < 1 || size.y < 1 || size.x > 100000 || size.y > 100000 ||
                (long double)size.x * size.y > (long double)(1u << 28))
                fail(step, "the new size must be 1 to 100000 pixels a side and at most 2^28 pixels");
            if (editor) editor->resizePicture(size.x, size.y);
        } else {
            fail(step, "unknown step (see --help)");
        }
        return;
    }
    if (eq != std::string::npos) {
        const std::string name = step.substr(0, eq), value = step.substr(eq + 1);
        if (name == "zoom") {
            const double z = parseReal(step, value);
            if (editor && !editor->setZoomPercent(z))
                fail(step, "that zoom would make the view smaller than 1 or larger than 32767 pixels");
        } else if (name == "shape") {
            StretchShapeCode shape = StretchShapeCode::None;
            if (value == "spherical")
                shape = StretchShapeCode::Spherical;
            else if (value == "vertical")
                shape = StretchShapeCode::Vertical;
            else if (value == "horizontal")
                shape = StretchShapeCode::Horizontal;
            else
                fail(step, "the shape is spherical, vertical or horizontal");
            if (!editor) return;
            enterTab(*editor, kPageDistort);
            editor->palette().chooseShape(shape);
        } else {
            // The sliders, and the tab each belongs to (-1: any).
            struct SliderSetting {
                const char* name;
                Slider Palette::*slider;
                int page;
            };
            static const SliderSetting sliders[] = {
                {"distort.rad", &Palette::distortRad, -1},      {"distort.cur", &Palette::distortCur, -1},
                {"twist.rad", &Palette::twistRad, -1},          {"twist.cur", &Palette::twistCur, -1},
                {"pen", &Palette::penPressure, kPageSketch},    {"contrast", &Palette::pencilContrast, kPageSketch},
                {"rubber", &Palette::rubberThick, kPageSketch},
            };
            const SliderSetting* setting = nullptr;
            for (const SliderSetting& s : sliders)
                if (name == s.name) setting = &s;
            if (!setting) fail(step, "unknown setting (see --help)");
            const long v = parseInt(step, value);
            if (!editor) return;
            if (setting->page >= 0) enterTab(*editor, setting->page);
            sliderStep(editor->palette().*(setting->slider), step, v);
        }
        return;
    }
    static const char* const plain[] = {"undo",       "redo",          "renew",       "sketch",
                                        "pen-sketch", "pencil-sketch", "clean-spots", "cut"};
    if (std::find(std::begin(plain), std::end(plain), step) == std::end(plain)) fail(step, "unknown step (see --help)");
    if (!editor) return;
    Editor& e = *editor;
    if (step == "undo")
        e.undo();
    else if (step == "redo")
        e.redo();
    else if (step == "renew")
        e.renew();
    else if (step == "sketch")
        enterTab(e, kPageSketch);
    else if (step == "pen-sketch") {
        enterTab(e, kPageSketch);
        e.penSketch();
    } else if (step == "pencil-sketch") {
        enterTab(e, kPageSketch);
        e.pencilSketch();
    } else if (step == "clean-spots") {
        enterTab(e, kPageSketch);
        e.clearUpSpot();
    } else if (step == "cut") {
        if (!e.cutOut()) fail(step, "no zone with pixels inside its frame is marked");
    }
}

}  // namespace

void checkStep(const std::string& s) { step(nullptr, s); }

void runStep(Editor& e, const std::string& s) { step(&e, s); }

std::string helpText() {
    return R"(Usage: jollix-batch [--format=EXT] [--animation=FILE.gif] INPUT OUTPUT STEP...
       jollix-batch --help | --version

Opens INPUT ('default' is the built-in start picture, '-' reads the picture
from standard input), runs the steps from left to right as a user would on
the tool palette and the picture, and writes OUTPUT under exactly that name,
in the format its extension names: .jpg, .jpeg, .bmp, .wmf, .png, .webp,
.tif or .tiff. OUTPUT '-' writes to standard output in the format that
--format=EXT names (jpg, bmp, wmf, png, webp, tif, ...); --format also
overrides the extension of a named OUTPUT. Points are view pixels at the
current zoom. A step of another palette tab first switches to that tab.
Exit codes: 0 done, 1 failed (nothing written), 2 wrong usage.

Example: cat in.png | jollix-batch - --format=png - expand@10,10 > out.png

--animation=FILE.gif also writes the edit as an animated GIF, the same file
as the desktop program's "Save animation..." after the same steps: the
oldest picture in reach of Undo, then a frame after every applied effect.

Settings:
  zoom=P               view zoom in percent (a real)
  distort.rad=N        Distort Rad. slider (10..500), couples Cur.
  distort.cur=N        Distort Cur. slider
  twist.rad=N          Twist Rad. slider (10..500), couples Cur.
  twist.cur=N          Twist Cur. slider
  shape=spherical|vertical|horizontal
  pen=N                pen pressure (1..255)
  contrast=N           pencil contrast (0..89)
  rubber=N             rubber thickness (1..50)
Brushes (a press and release; *N holds the button for N applications):
  expand@X,Y[*N]  shrink@X,Y[*N]  dextro@X,Y[*N]  levo@X,Y[*N]
  smear@X0,Y0:X1,Y1    press at the first point, release at the second
Sketch tab:
  sketch               enter the Sketch tab (makes the edge picture)
  pen-sketch  pencil-sketch  clean-spots
  rubber@X,Y           one rubber disc
  rubber@X0,Y0:X1,Y1   a rubber drag along the line
Zone:
  zone@X0,Y0:X1,Y1     mark a zone (zone mode is switched on)
  cut                  cut the picture down to the zone
  resize@W,H           resample the picture to W x H
History:
  undo  redo  renew
)";
}

std::string versionText() { return std::string("jollix-batch (Jollix) ") + JOLLIX_VERSION + "\n"; }

int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    // Options may stand anywhere; "-" alone is standard input or output.
    std::vector<std::string> positional;
    std::string formatName;
    std::optional<std::string> animation;
    try {
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                out << helpText();
                return 0;
            }
            if (a == "--version") {
                out << versionText();
                return 0;
            }
            if (a.rfind("--format=", 0) == 0) {
                formatName = a.substr(9);
                if (formatName.empty()) throw UsageError("--format needs an extension, for example --format=png");
            } else if (a.rfind("--animation=", 0) == 0) {
                animation = a.substr(12);
                std::string lower = withExtension(*animation, ".gif"), given = *animation;
                for (std::string* t : {&lower, &given})
                    for (char& c : *t) c = char(std::tolower((unsigned char)c));
                if (lower != given) throw UsageError("the animation '" + *animation + "' must end in .gif");
            } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
                throw UsageError("unknown option '" + a + "'");
            } else {
                positional.push_back(a);
            }
        }
        if (positional.size() < 2) throw UsageError("usage: jollix-batch INPUT OUTPUT STEP...");
        const std::string& input = positional[0];
        const std::string& output = positional[1];
        // The output's format: --format, else the output name's extension.
        SaveFormat format = SaveFormat::Jpeg;
        if (!formatName.empty()) {
            if (!saveFormatForName("." + formatName, &format))
                throw UsageError("--format=" + formatName + " is not a format that can be written (" + kWritten + ")");
        } else if (output == "-") {
            throw UsageError("writing to standard output needs --format=EXT (" + std::string(kWritten) + ")");
        } else if (!saveFormatForName(output, &format)) {
            throw UsageError("the output '" + output + "' must end in " + kWritten + ", or give --format=EXT");
        }

        // Every step is checked before any runs (or the input is read), and
        // a failing step is named with its position among the steps.
        auto atPosition = [&](size_t i, auto&& work) {
            try {
                work(positional[i]);
            } catch (const StepError& e) {
                throw JollixError("step " + std::to_string(i - 1) + " '" + positional[i] + "': " + e.why);
            } catch (...) {
                throw JollixError("step " + std::to_string(i - 1) + " '" + positional[i] + "': " + failureText());
            }
        };
        for (size_t i = 2; i < positional.size(); ++i) atPosition(i, [](const std::string& s) { checkStep(s); });

        std::optional<Picture> start;
        if (input == "-")
            start = LoadPictureStream(in, "from standard input");
        else if (input != "default")
            start = LoadPictureFile(input);
        Editor editor(std::move(start));
        for (size_t i = 2; i < positional.size(); ++i) atPosition(i, [&](const std::string& s) { runStep(editor, s); });
        if (editor.picture().isEmpty()) throw JollixError("the picture is empty; nothing to write");
        if (output == "-") {
            const std::string bytes = encodePicture(editor.picture(), format);
            out.write(bytes.data(), std::streamsize(bytes.size()));
            out.flush();
            if (!out) throw JollixError("the picture could not be written to standard output");
        } else {
            // Exactly the name given: out.jpeg stays out.jpeg.
            writePictureFile(editor.picture(), output, format);
        }
        if (animation) saveAnimatedGif(editor.animationFrames(), *animation);
    } catch (const UsageError& ex) {
        err << "jollix-batch: " << ex.what() << " (--help tells more)\n";
        return 2;
    } catch (...) {
        err << "jollix-batch: " << failureText() << "\n";
        return 1;
    }
    return 0;
}

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runBatch(args, std::cin, out, err);
}

}  // namespace jollix::batch
