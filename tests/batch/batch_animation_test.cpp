// The batch command's --animation option, and the size of the animation of a
// photo that a user would send.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "app/batch/batch.h"
#include "tests/batch_run.h"
#include "io/animated_gif.h"
#include "io/picture_files.h"
#include "tests/photo_like.h"

namespace fs = std::filesystem;
using namespace jollix;
using jollix::testing_photo::photoLike;

namespace {

class BatchAnimationTest : public testing_batch::InOwnFolder {
protected:
    int run(const std::vector<std::string>& args) {
        const testing_batch::BatchRun r = testing_batch::runBatch(args);
        err.str(r.err);
        return r.code;
    }
    static std::string bytesOf(const std::string& file) { return testing_batch::readBytes(file); }
    std::ostringstream err;
};

constexpr HeldButtons kLeft{true, false};

}  // namespace

TEST_F(BatchAnimationTest, WritesTheAnimationOfTheStepsAsTheSessionMakesIt) {
    // The steps through the batch command, and the same user actions on a
    // session directly: the files must be the same, byte for byte.
    const std::string gif = path("joke.gif");
    ASSERT_EQ(run({"default", path("out.bmp"), "--animation=" + gif, "expand@300,230*3", "smear@100,100:160,130",
                   "undo", "levo@400,300", "pen-sketch"}),
              0)
        << err.str();

    Editor e;
    e.mouseDown(MouseButton::Left, kLeft, 300, 230);
    e.repeatTick();
    e.repeatTick();
    e.click();
    e.mouseUp(MouseButton::Left, 300, 230);
    e.palette().changeTab(kPageTwist);
    e.palette().clickSmear();
    e.mouseDown(MouseButton::Left, kLeft, 100, 100);
    e.mouseMove(kLeft, 160, 130);
    e.click();
    e.mouseUp(MouseButton::Left, 160, 130);
    e.undo();
    e.palette().clickLevorotary();
    e.mouseDown(MouseButton::Left, kLeft, 400, 300);
    e.click();
    e.mouseUp(MouseButton::Left, 400, 300);
    e.palette().changeTab(kPageSketch);
    e.chooseTool(*toolNamed("pen-sketch"));
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), 1u + 3 + 1 + 1);
    EXPECT_EQ(bytesOf(gif), encodeAnimatedGif(frames));
    EXPECT_EQ(loadPictureFile(path("out.bmp")), e.picture());
}

TEST_F(BatchAnimationTest, TheOptionIsCheckedBeforeAnyStepRuns) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;  // part of the error, or nullptr when it succeeds
    };
    const std::string out = path("out.jpg");
    const Case cases[] = {
        {{"--animation=" + path("a.gif"), "default", out, "expand@10,10"}, 0, nullptr},  // before INPUT
        {{"default", out, "expand@10,10", "--animation=" + path("a.GIF")}, 0, nullptr},  // last, any case
        {{"default", out, "--animation=" + path("a.png"), "expand@10,10"}, 2, "must end in .gif"},
        {{"default", out, "--animation="}, 2, "must end in .gif"},
        {{"default", out, "--animation=" + path(".gif")}, 2, "must end in .gif"},
        {{"--animation=" + path("a.gif"), "default"}, 2, "usage"},
        {{"default", out, "--animation=" + path("no such folder/a.gif")}, 1, "Cannot"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        fs::remove_all(dir);
        fs::create_directories(dir);
        EXPECT_EQ(run(c.args), c.code) << line << err.str();
        if (c.message)
            EXPECT_NE(err.str().find(c.message), std::string::npos) << line << err.str();
        else
            EXPECT_TRUE(fs::exists(path("a.gif")) || fs::exists(path("a.GIF"))) << line;
    }
}

TEST_F(BatchAnimationTest, FiftyFramesOfAPhotoStayUnderThreeMegabytes) {
    // Ten gestures of five applications each (four repeat ticks and the
    // click) on a 640 x 480 photo: the animation a user would mail.
    Editor e(photoLike(640, 480));
    for (int g = 0; g < 10; ++g) {
        const int x = 60 + (g % 5) * 130, y = 120 + (g / 5) * 240;
        e.mouseDown(MouseButton::Left, kLeft, x, y);
        for (int t = 0; t < 4; ++t) e.repeatTick();
        e.click();
        e.mouseUp(MouseButton::Left, x, y);
    }
    const std::vector<Picture> frames = e.animationFrames();
    ASSERT_EQ(frames.size(), 51u);
    const auto t0 = std::chrono::steady_clock::now();
    const std::string gif = encodeAnimatedGif(frames);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::cout << "50-frame animation of a 640 x 480 photo: " << gif.size() << " bytes, encoded in " << ms << " ms\n";
    RecordProperty("gif_bytes", std::to_string(gif.size()));
    RecordProperty("encode_ms", std::to_string(ms));
    EXPECT_LT(gif.size(), size_t(3) << 20);
}
