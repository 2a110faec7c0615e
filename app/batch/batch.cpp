#include "app/batch/batch.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <tuple>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <iostream>
#include <ostream>
#include <sstream>

#include "core/error.h"
#include "core/parallel.h"
#include "editor/tools.h"
#include "faces/face_finder.h"
#include "io/animated_gif.h"
#include "io/atomic_file.h"
#include "io/formats.h"
#include "io/picture_files.h"

namespace jollix::batch {

namespace {

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
    // cx = viewToPicture(v.x) (and rows likewise); it touches the picture
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

// A mistake in how the command was called (exit code 2).
struct UsageError : JollixError {
    using JollixError::JollixError;
};

}  // namespace

namespace {

// How a step is written after its name.
enum class StepForm {
    Plain,        // NAME
    AtPoint,      // NAME@X,Y
    AtPointHeld,  // NAME@X,Y[*N]
    AtDrag,       // NAME@X0,Y0:X1,Y1
    AtPointOrDrag,
    AtSize,    // NAME@W,H
    SetWhole,  // NAME=N
    SetReal,   // NAME=P
    SetWord,   // NAME=WORD
};

// A step's argument as read.
struct StepArgument {
    Point a{}, b{};
    long n = 1;
    double real = 0;
    std::string word;
    // Where a step that finds something (faces) tells it, if anywhere.
    std::ostream* report = nullptr;
};

struct StepRow {
    std::string name;
    StepForm form;
    // Runs the step; checks what depends on the state reached (a point on
    // the picture at the current zoom, a slider's range).
    std::function<void(Editor&, const std::string& step, const StepArgument&)> run;
    // Further checks of the argument alone, made before any step runs.
    std::function<void(const std::string& step, const StepArgument&)> check = nullptr;
};

bool takesPoint(StepForm f) { return f >= StepForm::AtPoint && f <= StepForm::AtSize; }
bool takesValue(StepForm f) { return f >= StepForm::SetWhole; }

// The palette tool of a step chosen as a user would: on its tab, with its
// button unless it is the tool in use already.
void chooseForStep(Editor& e, const ToolRow& tool) {
    enterTab(e, tool.tab);
    const ToolRow* inUse = toolInUse(e.state());
    if (!inUse || std::string_view(inUse->batchName) != tool.batchName || tool.appliesWhenChosen) e.chooseTool(tool);
}

// The step of a palette tool, by how the pointer uses it.
StepRow toolStep(const ToolRow& tool) {
    if (tool.appliesWhenChosen)
        return {tool.batchName, StepForm::Plain,
                [&tool](Editor& e, const std::string&, const StepArgument&) { chooseForStep(e, tool); }};
    if (tool.release == OnRelease::ApplyFromPressThenRecord)  // press at a, release at b
        return {tool.batchName, StepForm::AtDrag, [&tool](Editor& e, const std::string& step, const StepArgument& arg) {
                    chooseForStep(e, tool);
                    requireInside(e, step, arg.a);
                    e.mouseDown(MouseButton::Left, kLeftHeld, arg.a.x, arg.a.y);
                    e.mouseMove(kLeftHeld, arg.b.x, arg.b.y);
                    if (insideControl(e, arg.b)) e.click();
                    e.mouseUp(MouseButton::Left, arg.b.x, arg.b.y);
                }};
    if (tool.drag == OnDrag::ApplyAtPointer)  // along the line from a to b
        return {tool.batchName, StepForm::AtPointOrDrag,
                [&tool](Editor& e, const std::string& step, const StepArgument& arg) {
                    chooseForStep(e, tool);
                    requireInside(e, step, arg.a);
                    e.mouseDown(MouseButton::Left, kLeftHeld, arg.a.x, arg.a.y);
                    walkRubberLine(e, arg.a, arg.b, [&](Point p) { e.mouseMove(kLeftHeld, p.x, p.y); });
                    e.mouseUp(MouseButton::Left, arg.b.x, arg.b.y);
                }};
    // Pressed at a point and held for n applications.
    return {tool.batchName, StepForm::AtPointHeld,
            [&tool](Editor& e, const std::string& step, const StepArgument& arg) {
                chooseForStep(e, tool);
                pressAndRelease(e, step, arg.a, arg.n);
            }};
}

// A slider of the palette; a slider of the Sketch tab is set on that tab.
StepRow sliderStep(const char* name, Slider Palette::*slider, int page) {
    return {name, StepForm::SetWhole, [slider, page](Editor& e, const std::string& step, const StepArgument& arg) {
                if (page >= 0) enterTab(e, page);
                Slider& s = e.palette().*slider;
                if (arg.n < s.minimum() || arg.n > s.maximum()) {
                    std::ostringstream m;
                    m << "the slider takes " << s.minimum() << " to " << s.maximum() << " now";
                    fail(step, m.str());
                }
                s.userScroll(int(arg.n));
            }};
}

StretchShapeCode shapeNamed(const std::string& word) {
    if (word == "spherical") return StretchShapeCode::Spherical;
    if (word == "vertical") return StretchShapeCode::Vertical;
    if (word == "horizontal") return StretchShapeCode::Horizontal;
    return StretchShapeCode::None;
}

// Every step the command knows: the palette's tools from the tool table,
// then the settings, the zone, the picture's size and the history.
const std::vector<StepRow>& stepTable() {
    static const std::vector<StepRow> table = [] {
        std::vector<StepRow> rows;
        for (const ToolRow& tool : toolTable())
            if (std::none_of(rows.begin(), rows.end(), [&](const StepRow& r) { return r.name == tool.batchName; }))
                rows.push_back(toolStep(tool));
        rows.push_back({"sketch", StepForm::Plain,
                        [](Editor& e, const std::string&, const StepArgument&) { enterTab(e, kPageSketch); }});
        rows.push_back({"zoom", StepForm::SetReal, [](Editor& e, const std::string& step, const StepArgument& arg) {
                            if (!e.setZoomPercent(arg.real))
                                fail(step, "that zoom would make the view smaller than 1 or larger than 32767 pixels");
                        }});
        rows.push_back({"shape", StepForm::SetWord,
                        [](Editor& e, const std::string&, const StepArgument& arg) {
                            enterTab(e, kPageDistort);
                            e.palette().chooseShape(shapeNamed(arg.word));
                        },
                        [](const std::string& step, const StepArgument& arg) {
                            if (shapeNamed(arg.word) == StretchShapeCode::None)
                                fail(step, "the shape is spherical, vertical or horizontal");
                        }});
        rows.push_back(sliderStep("distort.rad", &Palette::distortRad, -1));
        rows.push_back(sliderStep("distort.cur", &Palette::distortCur, -1));
        rows.push_back(sliderStep("twist.rad", &Palette::twistRad, -1));
        rows.push_back(sliderStep("twist.cur", &Palette::twistCur, -1));
        rows.push_back(sliderStep("pen", &Palette::penPressure, kPageSketch));
        rows.push_back(sliderStep("contrast", &Palette::pencilContrast, kPageSketch));
        rows.push_back(sliderStep("rubber", &Palette::rubberThick, kPageSketch));
        rows.push_back({"zone", StepForm::AtDrag, [](Editor& e, const std::string& step, const StepArgument& arg) {
                            requireInside(e, step, arg.a);
                            requireInside(e, step, arg.b);
                            if (!e.state().selectionShown) e.toggleZoneMode();
                            e.mouseDown(MouseButton::Left, kLeftHeld, arg.a.x, arg.a.y);
                            e.mouseMove(kLeftHeld, arg.b.x, arg.b.y);
                            e.mouseUp(MouseButton::Left, arg.b.x, arg.b.y);
                        }});
        rows.push_back({"cut", StepForm::Plain, [](Editor& e, const std::string& step, const StepArgument&) {
                            if (!e.cutOut()) fail(step, "no zone with pixels inside its frame is marked");
                        }});
        rows.push_back(
            {"resize", StepForm::AtSize,
             [](Editor& e, const std::string&, const StepArgument& arg) { e.resizePicture(arg.a.x, arg.a.y); },
             [](const std::string& step, const StepArgument& arg) {
                 const Point size = arg.a;
                 if (size.x < 1 || size.y < 1 || size.x > 100000 || size.y > 100000 ||
                     (long double)size.x * size.y > (long double)(1u << 28))
                     fail(step, "the new size must be 1 to 100000 pixels a side and at most 2^28 pixels");
             }});
        // Funny faces: a preset on every face found, and what was found.
        rows.push_back({"face", StepForm::SetWord,
                        [](Editor& e, const std::string&, const StepArgument& arg) {
                            e.applyFacePreset(*facePresetNamed(arg.word), findFaces(e.picture()));
                        },
                        [](const std::string& step, const StepArgument& arg) {
                            if (facePresetNamed(arg.word)) return;
                            std::string names;
                            for (const FacePreset& p : facePresets())
                                names += std::string(names.empty() ? "" : ", ") + p.batchName;
                            fail(step, "the funny faces are " + names);
                        }});
        rows.push_back({"faces", StepForm::Plain, [](Editor& e, const std::string&, const StepArgument& arg) {
                            const std::vector<Face> faces = findFaces(e.picture());
                            if (faces.empty()) throw JollixError(kNoFaceFound);
                            if (arg.report)
                                for (const Face& f : faces) *arg.report << describeFace(f) << '\n';
                        }});
        rows.push_back({"undo", StepForm::Plain, [](Editor& e, const std::string&, const StepArgument&) { e.undo(); }});
        rows.push_back({"redo", StepForm::Plain, [](Editor& e, const std::string&, const StepArgument&) { e.redo(); }});
        rows.push_back(
            {"renew", StepForm::Plain, [](Editor& e, const std::string&, const StepArgument&) { e.renew(); }});
        return rows;
    }();
    return table;
}

// Reads a step's argument as its row's form says.
StepArgument readArgument(const StepRow& row, const std::string& step, const std::string& text) {
    StepArgument arg;
    switch (row.form) {
        case StepForm::Plain: break;
        case StepForm::AtPoint:
        case StepForm::AtSize: arg.a = arg.b = parsePoint(step, text); break;
        case StepForm::AtPointHeld: std::tie(arg.a, arg.n) = parseBrush(step, text); break;
        case StepForm::AtDrag: std::tie(arg.a, arg.b) = parseDrag(step, text); break;
        case StepForm::AtPointOrDrag:
            if (text.find(':') != std::string::npos)
                std::tie(arg.a, arg.b) = parseDrag(step, text);
            else
                arg.a = arg.b = parsePoint(step, text);
            break;
        case StepForm::SetWhole: arg.n = parseInt(step, text); break;
        case StepForm::SetReal: arg.real = parseReal(step, text); break;
        case StepForm::SetWord: arg.word = text; break;
    }
    if (row.check) row.check(step, arg);
    return arg;
}

// One step: its words and numbers are read first, so that with no editor
// the step is only checked; with one it then runs.
void step(Editor* editor, const std::string& step, std::ostream* report) {
    const size_t at = step.find('@');
    const size_t eq = step.find('=');
    // NAME@..., else NAME=..., else NAME.
    const bool pointed = at != std::string::npos, valued = !pointed && eq != std::string::npos;
    const std::string name = pointed ? step.substr(0, at) : valued ? step.substr(0, eq) : step;
    const std::string text = pointed ? step.substr(at + 1) : valued ? step.substr(eq + 1) : std::string();
    const StepRow* row = nullptr;
    for (const StepRow& r : stepTable())
        if (r.name == name && (pointed ? takesPoint(r.form) : valued ? takesValue(r.form) : r.form == StepForm::Plain))
            row = &r;
    if (!row) fail(step, valued ? "unknown setting (see --help)" : "unknown step (see --help)");
    StepArgument arg = readArgument(*row, step, text);
    arg.report = report;
    if (editor) row->run(*editor, step, arg);
}

}  // namespace

std::vector<std::string> stepHeads() {
    std::vector<std::string> heads;
    for (const StepRow& row : stepTable())
        heads.push_back(row.name + (takesPoint(row.form) ? "@" : takesValue(row.form) ? "=" : ""));
    return heads;
}

void checkStep(const std::string& s) { step(nullptr, s, nullptr); }

void runStep(Editor& e, const std::string& s, std::ostream* report) { step(&e, s, report); }

std::string helpText() {
    return R"(Usage: jollix-batch [--format=EXT] [--animation=FILE.gif] [--] INPUT OUTPUT STEP...
       jollix-batch --out-dir=DIR [--format=EXT] FILE... -- STEP...
       jollix-batch --help | --version

Opens INPUT ('default' is the built-in start picture, '-' reads the picture
from standard input), runs the steps from left to right as a user would on
the tool palette and the picture, and writes OUTPUT under exactly that name,
in the format its extension names: .jpg, .jpeg, .bmp, .wmf, .png, .webp,
.tif or .tiff. OUTPUT '-' writes to standard output in the format that
--format=EXT names (jpg, bmp, wmf, png, webp, tif, ...); --format also
overrides the extension of a named OUTPUT. Points are view pixels at the
current zoom. A step of another palette tab first switches to that tab.
Options may stand anywhere before '--', which ends them.
Exit codes: 0 done, 1 failed (nothing written; see --out-dir below), 2
wrong usage.

Example: cat in.png | jollix-batch - --format=png - expand@10,10 > out.png

--animation=FILE.gif also writes the edit as an animated GIF, the same file
as the desktop program's "Save animation..." after the same steps: the
oldest picture in reach of Undo, then a frame after every applied effect.
OUTPUT and the animation are written together: when either fails, neither
changes.

A file is replaced only once its new bytes are complete on disc; a device
or a pipe (/dev/stdout, a named pipe) is written into and stays what it is;
a block device, a socket or a folder is refused. Ended by SIGINT, SIGTERM
or SIGHUP, the command leaves no partial file and every file as it was.

Many photos at once: --out-dir=DIR runs the same steps on every FILE (the
files before '--', the steps after it), each FILE on its own, on all the
machine's cores, and writes DIR/NAME.EXT: NAME is the FILE's name without
its extension, EXT the one --format names, else the FILE's own when it is
one of the above, else the one its format is saved with (.jpe and .jfif
give .jpg, .dib .bmp). A FILE that
cannot be read or edited is reported and skipped, and the others are still
done (exit code 1 at the end). The outputs are put in place together at the
end, each one whole: if any of them cannot be written, none is. On a
terminal a progress line shows how many files are done.

Example: jollix-batch --out-dir=small --format=jpg *.png -- resize@400,300

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
Funny faces (every face found; no face fails with exit code 1):
  face=PRESET          one of bigeyes, bignose, tinychin, alien, twistedgrin,
                       dizzyeyes, longface, squashedface, fatcheeks, thinface,
                       meltingmouth; one step of the history
  faces                print one line per face found, with its boxes:
                       face=X,Y,W,H left-eye=X,Y,W,H right-eye=X,Y,W,H
                       nose=X,Y mouth=X,Y [estimated=left-eye,right-eye]
                       (to standard error when OUTPUT is '-')
                       e.g. jollix-batch --format=png in.jpg /dev/null faces
History:
  undo  redo  renew
)";
}

std::string versionText() { return std::string("jollix-batch (Jollix) ") + JOLLIX_VERSION + "\n"; }

namespace {

// What the command line asks for.
struct Invocation {
    std::string formatName;  // --format=EXT, or empty
    std::optional<std::string> animation;
    std::optional<std::string> outDir;
    std::vector<std::string> positional;  // INPUT OUTPUT STEP..., or FILE... with --out-dir
    std::vector<std::string> steps;       // after -- with --out-dir
};

// Options may stand anywhere before a "--", which ends them; "-" alone is
// standard input or output. Returns false when --help or --version answered.
bool readCommandLine(const std::vector<std::string>& args, Invocation& call, std::ostream& out) {
    bool optionsEnded = false;
    for (const std::string& a : args) {
        if (optionsEnded) {
            (call.outDir ? call.steps : call.positional).push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            out << helpText();
            return false;
        } else if (a == "--version") {
            out << versionText();
            return false;
        } else if (a.rfind("--format=", 0) == 0) {
            call.formatName = a.substr(9);
            if (call.formatName.empty()) throw UsageError("--format needs an extension, for example --format=png");
        } else if (a.rfind("--animation=", 0) == 0) {
            call.animation = a.substr(12);
            std::string lower = withExtension(*call.animation, ".gif"), given = *call.animation;
            for (std::string* t : {&lower, &given})
                for (char& c : *t) c = char(std::tolower((unsigned char)c));
            if (lower != given) throw UsageError("the animation '" + *call.animation + "' must end in .gif");
        } else if (a.rfind("--out-dir=", 0) == 0) {
            call.outDir = a.substr(10);
            if (call.outDir->empty()) throw UsageError("--out-dir needs a folder, for example --out-dir=small");
        } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
            throw UsageError("unknown option '" + a + "'");
        } else {
            call.positional.push_back(a);
        }
    }
    if (call.outDir) {
        // The files come before "--", the steps after it; what options
        // stood among the files was read as options.
        if (!optionsEnded) throw UsageError("usage: jollix-batch --out-dir=DIR [--format=EXT] FILE... -- STEP...");
        if (call.positional.empty()) throw UsageError("--out-dir needs at least one FILE before --");
        if (call.animation) throw UsageError("--animation cannot be given with --out-dir");
    }
    return true;
}

// The format --format names (the extension, without its dot).
SaveFormat formatNamed(const std::string& name) {
    SaveFormat format = SaveFormat::Jpeg;
    if (!saveFormatForName("." + name, &format))
        throw UsageError("--format=" + name + " is not a format that can be written (" + savedExtensionsText() + ")");
    return format;
}

// Every step is checked before any runs (or the input is read), and a
// failing step is named with its position among the steps.
template <class Work>
void atPosition(const std::vector<std::string>& steps, size_t i, Work&& work) {
    try {
        work(steps[i]);
    } catch (const StepError& e) {
        throw JollixError("step " + std::to_string(i + 1) + " '" + steps[i] + "': " + e.why);
    } catch (...) {
        throw JollixError("step " + std::to_string(i + 1) + " '" + steps[i] + "': " + failureText());
    }
}

void checkSteps(const std::vector<std::string>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) atPosition(steps, i, [](const std::string& s) { checkStep(s); });
}

// Opens the start picture, runs the steps and returns the editor holding
// the result. What steps find (faces) is written to `report`, if any.
std::unique_ptr<Editor> edit(const std::string& input, std::istream& in, const std::vector<std::string>& steps,
                             std::ostream* report = nullptr) {
    std::optional<Picture> start;
    if (input == "-")
        start = loadPictureStream(in, "from standard input");
    else if (input != "default")
        start = loadPictureFile(input);
    auto editor = std::make_unique<Editor>(std::move(start));
    for (size_t i = 0; i < steps.size(); ++i)
        atPosition(steps, i, [&](const std::string& s) { runStep(*editor, s, report); });
    if (editor->picture().isEmpty()) throw JollixError("the picture is empty; nothing to write");
    return editor;
}

std::string encodeOutput(const Picture& picture, const std::string& path, SaveFormat format) {
    try {
        return io_detail::encodeFor(path, [&] { return encodePicture(picture, format); });
    } catch (const std::bad_alloc&) {
        throw JollixError("Cannot save the picture " + path + ": there is not enough memory.");
    }
}

// INPUT OUTPUT STEP...: OUTPUT and the animation are written together, or
// neither changes.
void runOne(const Invocation& call, std::istream& in, std::ostream& out, std::ostream& err) {
    if (call.positional.size() < 2) throw UsageError("usage: jollix-batch INPUT OUTPUT STEP...");
    const std::string& input = call.positional[0];
    const std::string& output = call.positional[1];
    // The output's format: --format, else the output name's extension.
    SaveFormat format = SaveFormat::Jpeg;
    if (!call.formatName.empty()) {
        format = formatNamed(call.formatName);
    } else if (output == "-") {
        throw UsageError("writing to standard output needs --format=EXT (" + savedExtensionsText() + ")");
    } else if (!saveFormatForName(output, &format)) {
        throw UsageError("the output '" + output + "' must end in " + savedExtensionsText() + ", or give --format=EXT");
    }
    const std::vector<std::string> steps(call.positional.begin() + 2, call.positional.end());
    checkSteps(steps);
    // What steps find goes to standard output, unless the picture does.
    const std::unique_ptr<Editor> editor = edit(input, in, steps, output == "-" ? &err : &out);

    // Everything is encoded first, then every file prepared beside its
    // target; only when all of that worked does anything change.
    const std::string picture = encodeOutput(editor->picture(), output == "-" ? "to standard output" : output, format);
    std::string gif;
    if (call.animation) {
        try {
            gif = encodeAnimatedGif(editor->animationFrames());
        } catch (const JollixError& e) {
            throw JollixError("Cannot save the animation " + *call.animation + ": " + e.what() + ".");
        } catch (const std::bad_alloc&) {
            throw JollixError("Cannot save the animation " + *call.animation + ": there is not enough memory.");
        }
    }
    io_detail::FileWrites writes;
    // Exactly the name given: out.jpeg stays out.jpeg.
    if (output != "-") writes.add(output, picture);
    if (call.animation) writes.add(*call.animation, gif);
    if (output == "-") {
        out.write(picture.data(), std::streamsize(picture.size()));
        out.flush();
        if (!out) throw JollixError("the picture could not be written to standard output");
    }
    writes.commit();
}

// The last path component without its extension: "a/b/photo.x.jpg" ->
// "photo.x".
std::string stemOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base;
}

// The extension a file's own name ends in (".JPG"), or empty.
std::string extensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot <= slash + 1) || dot == 0) return {};
    return path.substr(dot);
}

// --out-dir=DIR FILE... -- STEP...: the steps on every file, each on its
// own, the files shared among the machine's cores. A file that cannot be
// read or edited is reported and skipped; the outputs of the others are put
// in place together at the end, when every one of them could be written.
bool runMany(const Invocation& call, std::ostream& err) {
    const std::string& folder = *call.outDir;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw JollixError("the output folder " + folder + " does not exist or is not a folder");
    checkSteps(call.steps);

    const std::vector<std::string>& files = call.positional;
    const size_t n = files.size();
    std::optional<SaveFormat> format;
    if (!call.formatName.empty()) format = formatNamed(call.formatName);
    std::vector<std::string> outputs(n), failures(n);
    std::vector<char> unwritable(n, 0);
    std::vector<SaveFormat> formats(n);
    for (size_t i = 0; i < n; ++i) {
        std::string ext = format ? "." + call.formatName : extensionOf(files[i]);
        if (!saveFormatForName(ext, &formats[i])) {
            // An extension the program does not write (".jpe", ".dib", none):
            // the saving extension of the file's format, when it is saved.
            const FileFormat* row = format ? nullptr : fileFormat(formatOfFile(files[i]));
            if (!row || row->saveEntry == 0) {
                failures[i] = files[i] + ": " +
                              (row ? std::string(row->name) + " files cannot be written"
                                   : std::string("its own format cannot be written")) +
                              "; give --format=EXT (" + savedExtensionsText() + ")";
                continue;
            }
            formats[i] = static_cast<SaveFormat>(row->saveEntry);
            ext = saveExtension(formats[i]);
        }
        outputs[i] = (folder.back() == '/' ? folder : folder + "/") + stemOf(files[i]) + ext;
        // Made ready for the decoder the name chooses and for the one the
        // first bytes choose, should the name's fail.
        prepareReadingOnThreads(formatForName(files[i]));
        prepareReadingOnThreads(formatOfFileContent(files[i]));
    }
    // Two files must not become one output.
    for (size_t i = 0; i < n; ++i)
        for (size_t k = i + 1; k < n && !outputs[i].empty(); ++k)
            if (outputs[k] == outputs[i])
                throw UsageError("'" + files[i] + "' and '" + files[k] + "' would both be written to " + outputs[i]);

    const bool showProgress = &err == &std::cerr && ::isatty(STDERR_FILENO);
    std::mutex reporting;
    size_t finished = 0;
    io_detail::FileWrites writes;
    std::istringstream noInput;
    auto report = [&](size_t i) {
        std::lock_guard lock(reporting);
        ++finished;
        if (showProgress) err << "\r\033[K";
        if (!failures[i].empty()) err << "jollix-batch: " << failures[i] << "\n";
        if (showProgress) err << finished << "/" << n << " " << files[i] << std::flush;
    };
    parallel::forItems(
        n, parallel::machineThreads(),
        [&](size_t i) {
            if (failures[i].empty()) {
                std::string bytes;
                try {
                    const std::unique_ptr<Editor> editor = edit(files[i], noInput, call.steps);
                    bytes = encodeOutput(editor->picture(), outputs[i], formats[i]);
                } catch (...) {
                    // Messages about the file name it; those about a step get its name.
                    const std::string why = failureText();
                    failures[i] = why.find(files[i]) == std::string::npos ? files[i] + ": " + why : why;
                }
                if (failures[i].empty()) try {
                        writes.add(outputs[i], bytes);
                    } catch (...) {
                        failures[i] = failureText();
                        unwritable[i] = 1;
                    }
            }
            report(i);
        },
        [](size_t) {});
    if (showProgress) err << "\r\033[K" << std::flush;

    size_t failed = 0;
    for (const std::string& f : failures) failed += !f.empty();
    // Written together: a file that could not be written keeps every
    // other output from changing.
    if (std::find(unwritable.begin(), unwritable.end(), 1) != unwritable.end())
        throw JollixError("nothing was written to " + folder + ": an output could not be written");
    writes.commit();
    if (failed > 0)
        err << "jollix-batch: " << failed << " of " << n << " files failed; " << n - failed << " written to " << folder
            << "\n";
    return failed == 0;
}

}  // namespace

int runBatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    try {
        Invocation call;
        if (!readCommandLine(args, call, out)) return 0;
        if (call.outDir) return runMany(call, err) ? 0 : 1;
        runOne(call, in, out, err);
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
