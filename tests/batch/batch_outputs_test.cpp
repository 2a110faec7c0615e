// What the batch command writes: every output or none, devices and pipes
// written into, "--" ending the options, many photos in one run, and no
// partial file when a signal ends it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/batch/batch.h"
#include "tests/batch_run.h"
#include "io/picture_files.h"

namespace fs = std::filesystem;
using namespace jollix;

namespace {

using testing_batch::BatchRun;
using testing_batch::readBytes;
using testing_batch::writeBytes;
BatchRun run(const std::vector<std::string>& args, const std::string& input = {}) {
    return testing_batch::runBatch(args, input);
}

size_t entries(const fs::path& dir) { return size_t(std::distance(fs::directory_iterator(dir), {})); }

Picture patterned(int w, int h, int seed) {
    Picture p(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, uint32_t((x * 7 + y * 13 + seed * 101) & 0xFF) * 0x010101u);
    return p;
}

using BatchOutputsTest = testing_batch::InOwnFolder;

}  // namespace

TEST_F(BatchOutputsTest, AFailingOutputLeavesEveryOtherAsItWas) {
    writeBytes(path("out.png"), "the old picture");
    writeBytes(path("anim.gif"), "the old animation");
    struct Case {
        const char* what;
        std::string output, animation;
    };
    fs::create_directory(path("folder.png"));
    const Case cases[] = {
        {"animation into a folder that does not exist", path("out.png"), path("no such folder/a.gif")},
        {"animation onto a folder", path("out.png"), path("folder.gif")},
        {"picture onto a folder", path("folder.png"), path("anim.gif")},
    };
    fs::create_directory(path("folder.gif"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BatchRun r = run({"default", c.output, "--animation=" + c.animation, "expand@10,10"});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("Cannot write the file"), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(path("out.png")), "the old picture");
        EXPECT_EQ(readBytes(path("anim.gif")), "the old animation");
        EXPECT_EQ(entries(dir), 4u) << "no temporary file left";
    }
    // Both writable: both written.
    EXPECT_EQ(run({"default", path("out.png"), "--animation=" + path("anim.gif"), "expand@10,10"}).code, 0);
    EXPECT_NE(readBytes(path("out.png")), "the old picture");
    EXPECT_NE(readBytes(path("anim.gif")), "the old animation");
}

TEST_F(BatchOutputsTest, DoubleDashEndsTheOptions) {
    // After "--" an option's look-alike is a step, not an option.
    BatchRun r = run({"default", "--", path("a.png"), "--help"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("step 1 '--help': unknown step"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    // Options before it still count; standard input still works after it.
    const std::string png = encodePng(patterned(30, 20, 1));
    r = run({"--format=bmp", "--", "-", path("b.png"), "resize@15,10"}, png);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readBytes(path("b.png")).substr(0, 2), "BM");
    std::istringstream written(readBytes(path("b.png")));
    EXPECT_EQ(loadPictureStream(written, "b.png").width(), 15);
}

TEST_F(BatchOutputsTest, DevicesAndPipesAreWrittenIntoNotReplaced) {
    // /dev/null through a link stays the null device.
    ASSERT_EQ(::symlink("/dev/null", path("null.png").c_str()), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat("/dev/null", &before), 0);
    ASSERT_TRUE(S_ISCHR(before.st_mode));
    EXPECT_EQ(run({"default", path("null.png"), "expand@10,10"}).code, 0);
    ASSERT_EQ(::stat("/dev/null", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_rdev, before.st_rdev);

    // A pipe, named directly and through a link, and the animation into
    // another pipe: each reader gets exactly the bytes of the file.
    ASSERT_EQ(::mkfifo(path("pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(path("pipe.gif").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(path("pipe.png").c_str(), path("link.png").c_str()), 0);
    auto reader = [](const std::string& p) {
        return std::async(std::launch::async, [p] {
            std::ifstream in(p, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        });
    };
    for (const char* name : {"pipe.png", "link.png"}) {
        SCOPED_TRACE(name);
        auto picture = reader(path("pipe.png"));
        auto animation = reader(path("pipe.gif"));
        const BatchRun r = run({"default", path(name), "--animation=" + path("pipe.gif"), "expand@10,10"});
        EXPECT_EQ(r.code, 0) << r.err;
        const std::string got = picture.get();
        EXPECT_EQ(got.substr(1, 3), "PNG");
        std::istringstream bytes(got);
        EXPECT_EQ(loadPictureStream(bytes, "pipe").width(), 605);
        EXPECT_EQ(animation.get().substr(0, 6), "GIF89a");
        EXPECT_TRUE(fs::is_fifo(path("pipe.png")));
        EXPECT_TRUE(fs::is_symlink(path("link.png")));
    }
    EXPECT_EQ(entries(dir), 4u);
}

TEST_F(BatchOutputsTest, ManyPhotosInOneRun) {
    fs::create_directory(path("in"));
    fs::create_directory(path("out"));
    savePictureFile(patterned(80, 60, 1), path("in/one.png"), SaveFormat::Png);
    savePictureFile(patterned(80, 60, 2), path("in/two.bmp"), SaveFormat::Bmp);
    savePictureFile(patterned(80, 60, 3), path("in/three.tif"), SaveFormat::Tiff);
    savePictureFile(patterned(60, 80, 4), path("in/four.jpg"), SaveFormat::Jpeg);
    writeBytes(path("in/broken.png"), "not a picture");
    writeBytes(path("in/old.gif"), "GIF89a");  // readable name, no GIF writer
    const std::vector<std::string> steps{"--", "resize@40,30"};

    // Each file's own format, one broken, one missing, one not writable.
    std::vector<std::string> args{"--out-dir=" + path("out")};
    for (const char* f : {"one.png", "two.bmp", "broken.png", "missing.jpg", "three.tif", "four.jpg", "old.gif"})
        args.push_back(path("in/") + f);
    args.insert(args.end(), steps.begin(), steps.end());
    BatchRun r = run(args);
    EXPECT_EQ(r.code, 1);
    for (const char* bad : {"broken.png", "missing.jpg", "old.gif"})
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("3 of 7 files failed; 4 written to " + path("out")), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << "no progress line off a terminal: " << r.err;
    EXPECT_EQ(entries(path("out")), 4u);
    for (const char* f : {"one.png", "two.bmp", "three.tif", "four.jpg"}) {
        const Picture p = loadPictureFile(path("out/") + f);
        EXPECT_EQ(p.width(), 40) << f;
        EXPECT_EQ(p.height(), 30) << f;
    }
    // The same bytes as the command on one file.
    ASSERT_EQ(run({path("in/one.png"), path("single.png"), "resize@40,30"}).code, 0);
    EXPECT_EQ(readBytes(path("single.png")), readBytes(path("out/one.png")));

    // --format for all of them; all fine: exit 0, nothing said.
    r = run({"--out-dir=" + path("out"), "--format=webp", path("in/one.png"), path("in/two.bmp"), "--", "pen-sketch"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(loadPictureFile(path("out/two.webp")).width(), 80);
}

TEST_F(BatchOutputsTest, ManyPhotosSkipWhatIsNoPictureFileWithoutWaiting) {
    fs::create_directory(path("out"));
    savePictureFile(patterned(30, 20, 1), path("good.png"), SaveFormat::Png);
    fs::create_directory(path("folder.png"));
    ASSERT_EQ(::mkfifo(path("pipe.png").c_str(), 0600), 0);  // no program writes into it
    writeBytes(path("empty.png"), "");
    ASSERT_EQ(::symlink("/dev/zero", path("zero.png").c_str()), 0);
    const BatchRun r = run({"--out-dir=" + path("out"), path("folder.png"), path("pipe.png"), path("empty.png"),
                            path("zero.png"), path("good.png"), "--", "resize@15,10"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("4 of 5 files failed; 1 written"), std::string::npos) << r.err;
    EXPECT_EQ(entries(path("out")), 1u);
    EXPECT_EQ(loadPictureFile(path("out/good.png")).width(), 15);
}

TEST_F(BatchOutputsTest, ManyPhotosWriteAllOutputsOrNone) {
    fs::create_directory(path("in"));
    fs::create_directory(path("out"));
    for (const char* f : {"a.png", "b.png", "c.png"})
        savePictureFile(patterned(50, 40, f[0]), path("in/") + f, SaveFormat::Png);
    writeBytes(path("out/a.png"), "old a");
    fs::create_directory(path("out/b.png"));  // b cannot be written
    const BatchRun r =
        run({"--out-dir=" + path("out"), path("in/a.png"), path("in/b.png"), path("in/c.png"), "--", "resize@25,20"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(path("out/a.png")), "old a");
    EXPECT_FALSE(fs::exists(path("out/c.png")));
    EXPECT_EQ(entries(path("out")), 2u) << "no temporary file left";
}

TEST_F(BatchOutputsTest, ManyPhotosUsageMistakes) {
    const std::string in = path("a.png");
    savePictureFile(patterned(10, 10, 1), in, SaveFormat::Png);
    savePictureFile(patterned(10, 10, 2), path("a.bmp"), SaveFormat::Bmp);
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"--out-dir=" + dir.string(), in, "resize@5,5"}, 2, "usage: jollix-batch --out-dir=DIR"},
        {{"--out-dir=" + dir.string(), "--"}, 2, "at least one FILE"},
        {{"--out-dir=", in, "--"}, 2, "--out-dir needs a folder"},
        {{"--out-dir=" + dir.string(), "--animation=" + path("x.gif"), in, "--"}, 2, "--animation cannot"},
        {{"--out-dir=" + dir.string(), "--format=png", in, path("a.bmp"), "--"}, 2, "would both be written to"},
        {{"--out-dir=" + dir.string(), in, "--", "frobnicate"}, 1, "step 1 'frobnicate': unknown step"},
        {{"--out-dir=" + path("none"), in, "--"}, 1, "does not exist"},
    };
    for (const Case& c : cases) {
        const BatchRun r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

#ifdef JOLLIX_BATCH_PROGRAM
// The real command writing a large picture, ended by each signal while it
// writes: the old file stays and no temporary file is left.
TEST_F(BatchOutputsTest, ASaveEndedByASignalLeavesTheOldFileAndNoTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        writeBytes(path("big.bmp"), "the old picture");
        bool caught = false;
        for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const int null = ::open("/dev/null", O_WRONLY);
                ::dup2(null, STDERR_FILENO);
                ::execl(JOLLIX_BATCH_PROGRAM, JOLLIX_BATCH_PROGRAM, "default", path("big.bmp").c_str(),
                        "resize@4000,3000", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            // Waits for the temporary file to appear, then ends the command.
            const auto start = std::chrono::steady_clock::now();
            int status = 0;
            while (!caught && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
                for (const auto& e : fs::directory_iterator(dir))
                    if (e.path().filename().string().rfind(".big.bmp.", 0) == 0) caught = true;
                if (caught) ::kill(child, signal);
                if (!caught && ::waitpid(child, &status, WNOHANG) == child) break;  // finished too soon
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (!caught) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                writeBytes(path("big.bmp"), "the old picture");
                continue;
            }
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            if (readBytes(path("big.bmp")) != "the old picture" && entries(dir) == 1) {
                // The signal came after the new file was in place: too late
                // to tell anything, so once more.
                caught = false;
                writeBytes(path("big.bmp"), "the old picture");
                continue;
            }
            EXPECT_EQ(readBytes(path("big.bmp")), "the old picture");
            EXPECT_EQ(entries(dir), 1u) << "no temporary file left";
        }
        EXPECT_TRUE(caught) << "the save was never seen in progress";
    }
}
#endif

TEST_F(BatchOutputsTest, ManyPhotosNameOutputsByAFormatTheProgramWrites) {
    // Without --format an output keeps its input's extension when the
    // program writes it, else takes the one its format is saved with.
    fs::create_directory(path("in"));
    fs::create_directory(path("out"));
    struct Case {
        const char* input;
        SaveFormat madeAs;
        const char* output;  // nullptr: refused
    } cases[] = {
        {"a.jpe", SaveFormat::Jpeg, "a.jpg"}, {"b.JFIF", SaveFormat::Jpeg, "b.jpg"},
        {"c.dib", SaveFormat::Bmp, "c.bmp"},  {"d.JPEG", SaveFormat::Jpeg, "d.JPEG"},
        {"e", SaveFormat::Png, "e.png"},      {"f.hif", SaveFormat::Png, nullptr},
    };
    std::vector<std::string> args{"--out-dir=" + path("out")};
    for (const Case& c : cases) {
        writeBytes(path("in/") + c.input, encodePicture(patterned(30, 20, 1), c.madeAs));
        args.push_back(path("in/") + c.input);
    }
    args.insert(args.end(), {"--", "resize@15,10"});
    const BatchRun r = run(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("f.hif: HEIC files cannot be written; give --format=EXT"), std::string::npos) << r.err;
    EXPECT_EQ(entries(path("out")), 5u);
    for (const Case& c : cases)
        if (c.output) {
            EXPECT_EQ(loadPictureFile(path("out/") + c.output).width(), 15) << c.input;
        }
}
