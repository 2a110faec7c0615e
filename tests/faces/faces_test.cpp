// Finding faces on real portraits, the funny-face presets as history steps,
// and the batch's face steps. The portraits (the astronaut and the
// cameraman, public domain) come from Debian's python3-skimage, fetched by
// the test fixture into the build tree.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <cctype>
#include <sstream>
#include <unistd.h>

#include "../photo_like.h"
#include "app/batch/batch.h"
#include "tests/batch_run.h"
#include "editor/editor.h"
#include "faces/face_finder.h"
#include "io/picture_files.h"

namespace fs = std::filesystem;
using namespace jollix;

namespace {

std::string portrait(const char* name) { return std::string(JOLLIX_PORTRAITS) + "/" + name; }

#define NEED_PORTRAITS()                                                               \
    if (!fs::exists(portrait("astronaut.png")) || !fs::exists(portrait("camera.png"))) \
    GTEST_SKIP() << "the portraits from python3-skimage are not in " JOLLIX_PORTRAITS  \
                    " (the fixture faces_fetch_portraits could not download them from Debian's archive)"

const Picture& astronaut() {
    static const Picture p = loadPictureFile(portrait("astronaut.png"));
    return p;
}

const std::vector<Face>& astronautFaces() {
    static const std::vector<Face> faces = findFaces(astronaut());
    return faces;
}

// The picture and its mirror image side by side: two faces.
Picture twoPortraits(const Picture& p) {
    Picture both(p.width() * 2, p.height());
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            both.setPixel(x, y, p.pixel(x, y));
            both.setPixel(2 * p.width() - 1 - x, y, p.pixel(x, y));
        }
    return both;
}

// A generated picture without a face: stripes, rings and a gradient.
Picture pattern() {
    Picture p = testing_photo::photoLike(640, 480);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if ((x / 16 + y / 24) % 3 == 0) p.setPixel(x, y, 0x00203040u + uint32_t((x * y) % 97));
    return p;
}

void expectNear(int actual, int expected, int tolerance, const char* what) {
    EXPECT_NEAR(actual, expected, tolerance) << what;
}

struct Changes {
    long inside = 0;  // changed pixels inside the box
    long farOff = 0;  // changed pixels farther than one face size from it
};

Changes changesAround(const Picture& before, const Picture& after, const FaceBox& box) {
    Changes c;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            if (before.pixel(x, y) == after.pixel(x, y)) continue;
            if (box.contains(x, y)) ++c.inside;
            const bool near = x >= box.x - box.width && x < box.x + 2 * box.width && y >= box.y - box.height &&
                              y < box.y + 2 * box.height;
            if (!near) ++c.farOff;
        }
    return c;
}

}  // namespace

// ---------------------------------------------------------------- finding

TEST(FaceFinder, FindsTheFaceAndEyesOfThePortraits) {
    NEED_PORTRAITS();
    // Where they are, measured on the pictures: the astronaut's face and
    // eyes; the cameraman's head is turned, found by the profile cascade.
    const std::vector<Face>& faces = astronautFaces();
    ASSERT_EQ(faces.size(), 1u);
    const Face& f = faces[0];
    expectNear(f.box.centreX(), 222, 12, "astronaut face x");
    expectNear(f.box.centreY(), 115, 12, "astronaut face y");
    expectNear(f.box.width, 100, 25, "astronaut face size");
    EXPECT_TRUE(f.leftEyeFound);
    EXPECT_TRUE(f.rightEyeFound);
    expectNear(f.leftEye.centreX(), 202, 6, "left eye x");
    expectNear(f.leftEye.centreY(), 101, 6, "left eye y");
    expectNear(f.rightEye.centreX(), 246, 6, "right eye x");
    expectNear(f.rightEye.centreY(), 104, 6, "right eye y");
    // The nose and the mouth lie below the eyes, in that order, inside the face.
    EXPECT_TRUE(f.box.contains(f.nose.x, f.nose.y));
    EXPECT_TRUE(f.box.contains(f.mouth.x, f.mouth.y));
    EXPECT_GT(f.nose.y, f.leftEye.centreY());
    EXPECT_GT(f.mouth.y, f.nose.y + 5);
    expectNear(f.mouth.y, 150, 10, "mouth y");

    FaceSearchOptions turned;
    turned.profiles = true;
    const std::vector<Face> camera = findFaces(loadPictureFile(portrait("camera.png")), turned);
    ASSERT_EQ(camera.size(), 1u);
    EXPECT_TRUE(camera[0].box.contains(225, 150)) << describeFace(camera[0]);
    expectNear(camera[0].box.width, 85, 30, "cameraman face size");
}

TEST(FaceFinder, FindsBothFacesSideBySideAndNoneInAPattern) {
    NEED_PORTRAITS();
    const std::vector<Face> two = findFaces(twoPortraits(astronaut()));
    ASSERT_EQ(two.size(), 2u);
    const int w = astronaut().width();
    // Left to right; the second is the first's mirror image.
    EXPECT_LT(two[0].box.x + two[0].box.width, w);
    EXPECT_GE(two[1].box.x, w);
    expectNear(two[1].box.centreX(), 2 * w - 1 - two[0].box.centreX(), 8, "mirrored face x");
    expectNear(two[1].box.centreY(), two[0].box.centreY(), 8, "mirrored face y");
    for (const Face& f : two) EXPECT_TRUE(f.leftEyeFound || f.rightEyeFound) << describeFace(f);

    EXPECT_TRUE(findFaces(pattern()).empty());
    EXPECT_TRUE(findFaces(Picture(300, 200, 0x00808080u)).empty());
    EXPECT_TRUE(findFaces(Picture()).empty());
}

TEST(FaceFinder, ABigPhotoIsSearchedOnAReducedCopyWithTheSameResult) {
    NEED_PORTRAITS();
    // The portrait blown up three times in a larger grey frame: the face is
    // found where the small one was, scaled.
    const Picture& small = astronaut();
    Picture big(small.width() * 3 + 600, small.height() * 3, 0x00707070u);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < small.width() * 3; ++x) big.setPixel(300 + x, y, small.pixel(x / 3, y / 3));
    const std::vector<Face> faces = findFaces(big);
    ASSERT_EQ(faces.size(), 1u);
    const Face& s = astronautFaces()[0];
    expectNear(faces[0].box.centreX(), 300 + 3 * s.box.centreX(), 30, "face x");
    expectNear(faces[0].box.centreY(), 3 * s.box.centreY(), 30, "face y");
    expectNear(faces[0].leftEye.centreX(), 300 + 3 * s.leftEye.centreX(), 20, "left eye x");
    expectNear(faces[0].rightEye.centreY(), 3 * s.rightEye.centreY(), 20, "right eye y");
}

TEST(FaceFinder, DescribesAFaceOnOneLine) {
    Face f;
    f.box = {10, 20, 100, 110};
    f.leftEye = {30, 50, 20, 20};
    f.rightEye = {70, 50, 20, 20};
    f.rightEyeFound = true;
    f.nose = {60, 80};
    f.mouth = {60, 100};
    EXPECT_EQ(describeFace(f),
              "face=10,20,100,110 left-eye=30,50,20,20 right-eye=70,50,20,20 nose=60,80 mouth=60,100 "
              "estimated=left-eye");
    f.leftEyeFound = true;
    EXPECT_EQ(describeFace(f).find("estimated"), std::string::npos);
    f.leftEyeFound = f.rightEyeFound = false;
    EXPECT_NE(describeFace(f).find(" estimated=left-eye,right-eye"), std::string::npos);
}

// ---------------------------------------------------------------- presets

TEST(FacePresets, EachChangesTheFaceOnlyAndIsOneStepThatUndoRestores) {
    NEED_PORTRAITS();
    const std::vector<Face>& faces = astronautFaces();
    ASSERT_EQ(faces.size(), 1u);
    std::vector<std::string> names;
    for (const FacePreset& preset : facePresets()) {
        SCOPED_TRACE(preset.caption);
        names.push_back(preset.batchName);
        Editor editor(astronaut());
        const Picture before = editor.picture();
        editor.applyFacePreset(preset, faces);
        const Picture after = editor.picture();
        const Changes c = changesAround(before, after, faces[0].box);
        EXPECT_GT(c.inside, faces[0].box.width * faces[0].box.height / 50);
        EXPECT_EQ(c.farOff, 0);
        // One step, a frame for every brush application.
        EXPECT_EQ(editor.history().undoDepth(), 1);
        const size_t applications = presetApplications(preset, faces).size();
        EXPECT_EQ(editor.animationFrames().size(), 1 + applications);
        editor.undo();
        EXPECT_EQ(editor.picture(), before);
        EXPECT_FALSE(editor.history().undoEnabled());
        editor.redo();
        EXPECT_EQ(editor.picture(), after);
        // The same picture and preset give the same pixels.
        Editor again(astronaut());
        again.applyFacePreset(preset, findFaces(again.picture()));
        EXPECT_EQ(again.picture(), after);
    }
    // Batch names: lower case without spaces, each once, and the menu's
    // captions say the same.
    for (const FacePreset& preset : facePresets()) {
        std::string expected;
        for (const char* c = preset.caption; *c; ++c)
            if (*c != ' ') expected += char(std::tolower((unsigned char)*c));
        EXPECT_EQ(preset.batchName, expected);
        EXPECT_EQ(facePresetNamed(preset.batchName), &preset);
    }
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_NE(facePresetNamed("bigeyes"), nullptr);
    EXPECT_EQ(facePresetNamed("Big eyes"), nullptr);
}

TEST(FacePresets, EveryFaceIsDoneAndNoFaceChangesNothing) {
    NEED_PORTRAITS();
    const Picture two = twoPortraits(astronaut());
    const std::vector<Face> faces = findFaces(two);
    ASSERT_EQ(faces.size(), 2u);
    Editor editor(two);
    editor.applyFacePreset(*facePresetNamed("bigeyes"), faces);
    for (const Face& f : faces) EXPECT_GT(changesAround(two, editor.picture(), f.box).inside, 100);
    EXPECT_EQ(editor.history().undoDepth(), 1);
    editor.undo();
    EXPECT_EQ(editor.picture(), two);

    Editor plain(pattern());
    const Picture before = plain.picture();
    try {
        plain.applyFacePreset(*facePresetNamed("alien"), findFaces(before));
        ADD_FAILURE() << "no face, no error";
    } catch (const JollixError& e) {
        EXPECT_STREQ(e.what(), kNoFaceFound);
    }
    EXPECT_EQ(plain.picture(), before);
    EXPECT_FALSE(plain.history().undoEnabled());
    EXPECT_FALSE(plain.hasAnimation());
}

// ---------------------------------------------------------------- batch

namespace {

using testing_batch::BatchRun;
using testing_batch::runBatch;
std::string bytesOf(const std::string& path) { return testing_batch::readBytes(path); }
using FaceBatch = testing_batch::InOwnFolder;

}  // namespace

TEST_F(FaceBatch, PresetStepGivesTheSameBytesEveryRunAndTheEditorsPixels) {
    NEED_PORTRAITS();
    const std::string a = path("a.png"), b = path("b.png");
    for (const std::string& out : {a, b}) {
        const BatchRun r = runBatch({portrait("astronaut.png"), out, "face=bigeyes"});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    EXPECT_EQ(bytesOf(a), bytesOf(b));
    EXPECT_FALSE(bytesOf(a).empty());
    Editor editor(astronaut());
    editor.applyFacePreset(*facePresetNamed("bigeyes"), astronautFaces());
    EXPECT_EQ(loadPictureFile(a), editor.picture());
    // One step: an undo after it gives the portrait back.
    const BatchRun undone = runBatch({portrait("astronaut.png"), path("c.png"), "face=alien", "undo"});
    ASSERT_EQ(undone.code, 0) << undone.err;
    EXPECT_EQ(loadPictureFile(path("c.png")), astronaut());
}

TEST_F(FaceBatch, FacesStepPrintsALinePerFace) {
    NEED_PORTRAITS();
    const std::string two = path("two.png");
    writePictureFile(twoPortraits(astronaut()), two, SaveFormat::Png);
    const BatchRun r = runBatch({two, path("out.png"), "faces"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<Face> faces = findFaces(loadPictureFile(two));
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(r.out, describeFace(faces[0]) + "\n" + describeFace(faces[1]) + "\n");
    // With the picture on standard output the lines go to standard error.
    const BatchRun piped = runBatch({"--format=png", two, "-", "faces"});
    ASSERT_EQ(piped.code, 0) << piped.err;
    EXPECT_EQ(piped.err, r.out);
    EXPECT_EQ(piped.out.substr(1, 3), "PNG");
}

TEST_F(FaceBatch, NoFaceFailsWithTheMessageAndWritesNothing) {
    const std::string in = path("pattern.png");
    writePictureFile(pattern(), in, SaveFormat::Png);
    struct Case {
        const char* step;
        const char* message;
        int code;
    };
    const Case cases[] = {
        {"faces", "step 1 'faces': No face was found in the picture.", 1},
        {"face=bigeyes", "step 1 'face=bigeyes': No face was found in the picture.", 1},
        {"face=big-eyes", "step 1 'face=big-eyes': the funny faces are bigeyes, bignose", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const std::string out = path("out.png");
        const BatchRun r = runBatch({in, out, c.step});
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}
