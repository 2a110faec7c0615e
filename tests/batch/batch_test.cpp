// The batch command end to end: steps, outputs, and clean failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/batch/batch.h"
#include "core/default_picture.h"
#include "effects/pen_sketch.h"
#include "effects/spherical.h"
#include "effects/twist.h"
#include "io/picture_files.h"

namespace fs = std::filesystem;
using namespace jollix;

namespace {

struct BatchRun {
    int code;
    std::string out, err;
};

BatchRun run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = batch::runBatch(args, out, err);
    return {code, out.str(), err.str()};
}

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("jollix-batch-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

}  // namespace

TEST_F(BatchTest, BrushStepsRunAsAUserWould) {
    const std::string out = path("out.bmp");
    BatchRun r = run({"default", out, "expand@300,230", "twist.rad=200", "dextro@300,230", "smear@100,100:160,130",
                 "undo", "redo"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Picture result = LoadPictureFile(out);
    EXPECT_EQ(result.width(), 605);
    EXPECT_NE(result, DefaultPicture());

    // The first two steps alone, computed directly: expand at Rad. 50 / Cur. 15,
    // then the twist at Rad. 200 with the coupled Cur. 20.
    ASSERT_EQ(run({"default", path("two.bmp"), "expand@300,230", "twist.rad=200", "dextro@300,230"}).code, 0);
    const Picture expected =
        Sphericalyouxuan(Sphericalpengzhang(DefaultPicture(), 300, 230, 50, 15), 300, 230, 200, 20);
    EXPECT_EQ(LoadPictureFile(path("two.bmp")), expected);

    // Undo goes back over the smear.
    ASSERT_EQ(run({"default", path("undo.bmp"), "expand@300,230", "twist.rad=200", "dextro@300,230",
                   "smear@100,100:160,130", "undo"}).code, 0);
    EXPECT_EQ(LoadPictureFile(path("undo.bmp")), expected);
}

TEST_F(BatchTest, HoldAppliesNTimesAndZoomConvertsPoints) {
    ASSERT_EQ(run({"default", path("a.bmp"), "expand@300,230*3"}).code, 0);
    Picture p = DefaultPicture();
    for (int i = 0; i < 3; ++i) p = Sphericalpengzhang(p, 300, 230, 50, 15);
    EXPECT_EQ(LoadPictureFile(path("a.bmp")), p);

    ASSERT_EQ(run({"default", path("z.bmp"), "zoom=125", "shrink@375,250"}).code, 0);
    EXPECT_EQ(LoadPictureFile(path("z.bmp")), Sphericalshousuo(DefaultPicture(), 300, 200, 40, 12));
}

TEST_F(BatchTest, SketchStepsStartFromTheEdgePicture) {
    ASSERT_EQ(run({"default", path("pen.bmp"), "pen=120", "pen-sketch"}).code, 0);
    const Picture pen = twovalue(picsobel(DefaultPicture()), 120);
    EXPECT_EQ(LoadPictureFile(path("pen.bmp")), pen);

    // A rubber drag, then a pen sketch: the sketch discards the rubber.
    ASSERT_EQ(run({"default", path("again.bmp"), "pen=120", "rubber@100,100:200,150", "pen-sketch"}).code, 0);
    EXPECT_EQ(LoadPictureFile(path("again.bmp")), pen);

    ASSERT_EQ(run({"default", path("pencil.bmp"), "contrast=60", "pencil-sketch", "clean-spots", "rubber@300,230"}).code, 0);
    const Picture pencil = LoadPictureFile(path("pencil.bmp"));
    EXPECT_EQ(pencil.pixel(300, 230), 0xFFFFFFu);
    EXPECT_EQ(pencil.pixel(300, 230 - 25), 0xFFFFFFu);
}

TEST_F(BatchTest, ZoneCutAndResize) {
    ASSERT_EQ(run({"default", path("cut.bmp"), "zone@10,20:110,70", "cut"}).code, 0);
    const Picture cut = LoadPictureFile(path("cut.bmp"));
    EXPECT_EQ(cut.width(), 99);
    EXPECT_EQ(cut.height(), 49);
    EXPECT_EQ(cut.pixel(0, 0), DefaultPicture().pixel(11, 21));

    ASSERT_EQ(run({"default", path("small.bmp"), "resize@300,200"}).code, 0);
    const Picture small = LoadPictureFile(path("small.bmp"));
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

    r = run({"default", path("out.png")});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(fs::exists(path("out.png")));

    r = run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("smear@X0,Y0:X1,Y1"), std::string::npos);
}
