// The batch command end to end: steps, outputs, and clean failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "app/batch/batch.h"
#include "tests/batch_run.h"
#include "effects/start_picture.h"
#include "effects/pen_sketch.h"
#include "effects/brushes/spherical.h"
#include "effects/brushes/twist.h"
#include "io/picture_files.h"

namespace fs = std::filesystem;
using namespace jollix;

namespace {

using testing_batch::BatchRun;
BatchRun run(const std::vector<std::string>& args, const std::string& input = {}) {
    return testing_batch::runBatch(args, input);
}
using BatchTest = testing_batch::InOwnFolder;

}  // namespace

TEST_F(BatchTest, BrushStepsRunAsAUserWould) {
    const std::string out = path("out.bmp");
    BatchRun r = run(
        {"default", out, "expand@300,230", "twist.rad=200", "dextro@300,230", "smear@100,100:160,130", "undo", "redo"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Picture result = loadPictureFile(out);
    EXPECT_EQ(result.width(), 605);
    EXPECT_NE(result, startPicture());

    // The first two steps alone, computed directly: expand at Rad. 50 / Cur. 15,
    // then the twist at Rad. 200 with the coupled Cur. 20.
    ASSERT_EQ(run({"default", path("two.bmp"), "expand@300,230", "twist.rad=200", "dextro@300,230"}).code, 0);
    const Picture expected = twistClockwise(sphericalExpand(startPicture(), 300, 230, 50, 15), 300, 230, 200, 20);
    EXPECT_EQ(loadPictureFile(path("two.bmp")), expected);

    // Undo goes back over the smear.
    ASSERT_EQ(run({"default", path("undo.bmp"), "expand@300,230", "twist.rad=200", "dextro@300,230",
                   "smear@100,100:160,130", "undo"})
                  .code,
              0);
    EXPECT_EQ(loadPictureFile(path("undo.bmp")), expected);
}

TEST_F(BatchTest, HoldAppliesNTimesAndZoomConvertsPoints) {
    ASSERT_EQ(run({"default", path("a.bmp"), "expand@300,230*3"}).code, 0);
    Picture p = startPicture();
    for (int i = 0; i < 3; ++i) p = sphericalExpand(p, 300, 230, 50, 15);
    EXPECT_EQ(loadPictureFile(path("a.bmp")), p);

    ASSERT_EQ(run({"default", path("z.bmp"), "zoom=125", "shrink@375,250"}).code, 0);
    EXPECT_EQ(loadPictureFile(path("z.bmp")), sphericalShrink(startPicture(), 300, 200, 40, 12));
}

TEST_F(BatchTest, SketchStepsStartFromTheEdgePicture) {
    ASSERT_EQ(run({"default", path("pen.bmp"), "pen=120", "pen-sketch"}).code, 0);
    const Picture pen = penSketch(edgePicture(startPicture()), 120);
    EXPECT_EQ(loadPictureFile(path("pen.bmp")), pen);

    // A rubber drag, then a pen sketch: the sketch discards the rubber.
    ASSERT_EQ(run({"default", path("again.bmp"), "pen=120", "rubber@100,100:200,150", "pen-sketch"}).code, 0);
    EXPECT_EQ(loadPictureFile(path("again.bmp")), pen);

    ASSERT_EQ(
        run({"default", path("pencil.bmp"), "contrast=60", "pencil-sketch", "clean-spots", "rubber@300,230"}).code, 0);
    const Picture pencil = loadPictureFile(path("pencil.bmp"));
    EXPECT_EQ(pencil.pixel(300, 230), 0xFFFFFFu);
    EXPECT_EQ(pencil.pixel(300, 230 - 25), 0xFFFFFFu);
}

TEST_F(BatchTest, ZoneCutAndResize) {
    ASSERT_EQ(run({"default", path("cut.bmp"), "zone@10,20:110,70", "cut"}).code, 0);
    const Picture cut = loadPictureFile(path("cut.bmp"));
    EXPECT_EQ(cut.width(), 99);
    EXPECT_EQ(cut.height(), 49);
    EXPECT_EQ(cut.pixel(0, 0), startPicture().pixel(11, 21));

    ASSERT_EQ(run({"default", path("small.bmp"), "resize@300,200"}).code, 0);
    const Picture small = loadPictureFile(path("small.bmp"));
    EXPECT_EQ(small.width(), 300);
    EXPECT_EQ(small.height(), 200);
}

TEST_F(BatchTest, BadInputFailsCleanlyAndWritesNothing) {
    const char* bad[][2] = {
        {"frobnicate", "unknown step"},
        {"expand@3x,4", "not a whole number"},
        {"expand@900,100", "not on the picture"},
        {"distort.rad=5000", "slider takes"},
        {"shape=round", "spherical, vertical or horizontal"},
        {"zoom=abc", "not a number"},
        {"zone@10,10:11,40", ""},
    };
    for (auto& b : bad) {
        const std::string out = path("never.bmp");
        std::vector<std::string> args{"default", out, b[0]};
        if (std::string(b[0]).rfind("zone", 0) == 0) args.push_back("cut");
        BatchRun r = run(args);
        EXPECT_NE(r.code, 0) << b[0];
        EXPECT_NE(r.err.find(b[1]), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists(out)) << b[0];
    }

    // An effect that stops with a message: the strength rounds to 0 at 700 %.
    BatchRun r = run({"default", path("never.bmp"), "distort.cur=3", "zoom=700", "expand@700,700"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("Floating point division by zero"), std::string::npos) << r.err;

    r = run({path("missing.bmp"), path("never.bmp")});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("missing.bmp"), std::string::npos) << r.err;

    r = run({"default", path("out.xyz")});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(fs::exists(path("out.xyz")));

    r = run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("smear@X0,Y0:X1,Y1"), std::string::npos);
}

TEST_F(BatchTest, OutputIsWrittenUnderExactlyItsNameInTheFormatOfItsExtension) {
    struct Case {
        const char* name;
        PictureFormat format;
    };
    const Case cases[] = {
        {"out.jpeg", PictureFormat::Jpeg}, {"out.JPG", PictureFormat::Jpeg},  {"out.bmp", PictureFormat::Bmp},
        {"out.wmf", PictureFormat::Wmf},   {"out.png", PictureFormat::Png},   {"out.webp", PictureFormat::Webp},
        {"out.tif", PictureFormat::Tiff},  {"out.tiff", PictureFormat::Tiff},
    };
    for (const Case& c : cases) {
        const BatchRun r = run({"default", path(c.name), "resize@60,40"});
        ASSERT_EQ(r.code, 0) << c.name << ": " << r.err;
        std::ifstream f(path(c.name), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), {});
        EXPECT_EQ(formatFromContent(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), c.format) << c.name;
    }
    // Nothing else was written: out.jpeg did not become out.jpg.
    EXPECT_EQ(size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator())), std::size(cases));
    // --format overrides the extension.
    ASSERT_EQ(run({"--format=bmp", "default", path("picture.dat")}).code, 0);
    std::ifstream written(path("picture.dat"), std::ios::binary);
    EXPECT_EQ(loadPictureStream(written, "picture.dat"), startPicture());
}

TEST_F(BatchTest, PipesReadStandardInputAndWriteStandardOutput) {
    std::ifstream f(std::string(JOLLIX_TEST_DATA) + "/io/rgba.png", std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(f)), {});
    const Picture in = loadPictureFile(std::string(JOLLIX_TEST_DATA) + "/io/rgba.png");
    BatchRun r = run({"-", "--format=png", "-", "expand@10,10"}, png);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const Picture out = decodePng(reinterpret_cast<const uint8_t*>(r.out.data()), r.out.size());
    EXPECT_EQ(out, sphericalExpand(in, 10, 10, 50, 15));

    // Every readable format is told from its first bytes.
    for (const char* file :
         {"io/rgb.jpg", "io/pal8.bmp", "io/offset.gif", "io/alpha.webp", "io/pages.tif", "io/src.heic"}) {
        std::ifstream g(std::string(JOLLIX_TEST_DATA) + "/" + file, std::ios::binary);
        r = run({"-", "--format=bmp", "-"}, std::string((std::istreambuf_iterator<char>(g)), {}));
        ASSERT_EQ(r.code, 0) << file << ": " << r.err;
        EXPECT_EQ(decodeBmp(reinterpret_cast<const uint8_t*>(r.out.data()), r.out.size()),
                  loadPictureFile(std::string(JOLLIX_TEST_DATA) + "/" + file))
            << file;
    }
    // Standard input that is no picture, or nothing at all.
    for (const std::string& junk : {std::string("hello, world"), std::string()}) {
        r = run({"-", "--format=png", "-"}, junk);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
    }
}

TEST_F(BatchTest, UsageMistakesExitWithTwoAndAClearMessage) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"default"}, "usage"},
        {{"default", "-"}, "needs --format"},
        {{"default", "OUT.xyz"}, "must end in .jpg"},
        {{"default", "noextension"}, "must end in .jpg"},
        {{"default", "-", "--format=heic"}, "not a format that can be written"},
        {{"default", "-", "--format="}, "--format needs"},
        {{"--frobnicate", "default", "x.png"}, "unknown option"},
    };
    for (const Case& c : cases) {
        const BatchRun r = run(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists("OUT.xyz"));
    const BatchRun v = run({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, "jollix-batch (Jollix) " JOLLIX_VERSION "\n");
}

#ifdef JOLLIX_BATCH_PROGRAM
TEST_F(BatchTest, TheProgramSitsInAShellPipeline) {
    const std::string in = std::string(JOLLIX_TEST_DATA) + "/io/rgba.png";
    const std::string command =
        "cat '" + in + "' | '" JOLLIX_BATCH_PROGRAM "' - --format=png - expand@10,10 > '" + path("out.png") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(loadPictureFile(path("out.png")), sphericalExpand(loadPictureFile(in), 10, 10, 50, 15));
    // Exit codes of the program itself.
    EXPECT_EQ(WEXITSTATUS(std::system("'" JOLLIX_BATCH_PROGRAM "' default 2>/dev/null")), 2);
    EXPECT_EQ(WEXITSTATUS(
                  std::system(("'" JOLLIX_BATCH_PROGRAM "' /no/such.png '" + path("x.png") + "' 2>/dev/null").c_str())),
              1);
}
#endif

namespace {

// A rubber drag the way the desktop program runs it: a move to every view
// pixel of the whole line, on the picture or not.
Picture rubberDragEveryPixel(int zoom, int thickness, int x0, int y0, int x1, int y1) {
    Editor e;
    batch::runStep(e, "zoom=" + std::to_string(zoom));
    batch::runStep(e, "rubber=" + std::to_string(thickness));
    e.palette().clickRubber();
    const HeldButtons left{true, false};
    e.mouseDown(MouseButton::Left, left, x0, y0);
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= n; ++i) {
        const int x = n ? x0 + int(std::nearbyint((long double)(x1 - x0) * i / n)) : x0;
        const int y = n ? y0 + int(std::nearbyint((long double)(y1 - y0) * i / n)) : y0;
        e.mouseMove(left, x, y);
    }
    e.mouseUp(MouseButton::Left, x1, y1);
    return e.picture();
}

}  // namespace

TEST_F(BatchTest, RubberDragsPaintOnlyWhatTouchesThePictureAndFarOnesEndQuickly) {
    // The start picture is 605 pixels wide. Lines on it, leaving it, and far
    // past it (along the same pixels as a shorter line), at two zooms.
    struct Case {
        int zoom, thickness;
        std::string far;
        int x0, y0, x1, y1;
    };
    const Case cases[] = {
        {100, 25, "", 10, 10, 300, 200},
        {100, 50, "", 500, 400, 2000, 900},
        {100, 25, "1000000000,1000000000", 0, 0, 1500, 1500},
        {200, 10, "-1000000000,400", 900, 400, -1500, 400},
        {50, 50, "3,-999999999", 3, 200, 3, -1200},
    };
    for (const Case& c : cases) {
        const std::string to = c.far.empty() ? std::to_string(c.x1) + "," + std::to_string(c.y1) : c.far;
        const std::string drag = "rubber@" + std::to_string(c.x0) + "," + std::to_string(c.y0) + ":" + to;
        const auto start = std::chrono::steady_clock::now();
        const BatchRun r = run({"default", path("rubber.bmp"), "zoom=" + std::to_string(c.zoom),
                                "rubber=" + std::to_string(c.thickness), drag});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(r.code, 0) << drag << ": " << r.err;
        EXPECT_LT(seconds, 2.0) << drag;
        EXPECT_EQ(loadPictureFile(path("rubber.bmp")),
                  rubberDragEveryPixel(c.zoom, c.thickness, c.x0, c.y0, c.x1, c.y1))
            << drag;
    }
}

TEST_F(BatchTest, EveryStepIsCheckedBeforeAnyRuns) {
    // 9,999 slow steps, then a bad one: reported at once with its position,
    // before the input is even read, and nothing is written.
    std::vector<std::string> args{path("missing.bmp"), path("never.bmp")};
    for (int i = 1; i < 10000; ++i) args.push_back("pencil-sketch");
    struct Case {
        std::string step, message;
    };
    const Case cases[] = {
        {"frobnicate", "step 10000 'frobnicate': unknown step"},
        {"expand@1,2*0", "step 10000 'expand@1,2*0': the number of applications must be 1 to 10000"},
        {"contrast=x", "step 10000 'contrast=x': 'x' is not a whole number"},
        {"rubber@5,5:7", "step 10000 'rubber@5,5:7': expected a point X,Y"},
        {"resize@0,10", "step 10000 'resize@0,10': the new size must be"},
        {"volume=11", "step 10000 'volume=11': unknown setting"},
    };
    for (const Case& c : cases) {
        args.push_back(c.step);
        const auto start = std::chrono::steady_clock::now();
        const BatchRun r = run(args);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        args.pop_back();
        EXPECT_EQ(r.code, 1) << c.step;
        EXPECT_EQ(r.err.rfind("jollix-batch: " + c.message, 0), 0u) << r.err;
        EXPECT_LT(seconds, 1.0) << c.step;
        EXPECT_FALSE(fs::exists(path("never.bmp")));
    }
    // Steps that fail only when they run are named by position too.
    const BatchRun r = run({"default", path("never.bmp"), "undo", "expand@900,100"});
    EXPECT_EQ(r.err.rfind("jollix-batch: step 2 'expand@900,100': the point 900,100 is not on the picture", 0), 0u)
        << r.err;
}
