// Files that are not what a picture file should be, and saving where the
// system says no: each is refused quickly with a clear message, nothing is
// left behind, and an existing file stays as it was.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <random>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QColor>
#include <QImage>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"
#include "made_files.h"

using namespace jollix;
using namespace jollix::test;

namespace {

std::string loadError(const std::string& path) {
    try {
        loadPictureFile(path);
    } catch (const JollixError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(HostileFiles, OnlyRegularFilesAreReadAndHugeOnesAreRefusedUnread) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "x.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.jpg").c_str()), 0);
    {  // 2 GiB that take no disc space: refused by its size before reading.
        const int fd = ::open((dir / "huge.bmp").c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(1) << 31), 0);
        ::close(fd);
    }
    struct Case {
        const char* name;
        const char* reason;
    };
    const Case cases[] = {
        {"x.bmp", "it is a pipe, not a picture file"},
        {"zero.jpg", "it is a device, not a picture file"},
        {"huge.bmp", "the file is too large"},
    };
    for (const Case& c : cases) {
        // In a child process, so that a wait for a writer ends the test
        // instead of hanging it.
        const ChildOutcome out = runInChild([&] {
            const auto start = std::chrono::steady_clock::now();
            const std::string e = loadError(dir / c.name);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return e + (seconds < 1.0 ? "" : " (too slow)");
        });
        ASSERT_TRUE(out.exited) << c.name << " ended by signal " << out.signal;
        EXPECT_NE(out.text.find("Cannot open the picture " + (dir / c.name) + ": " + c.reason), std::string::npos)
            << out.text;
        EXPECT_EQ(out.text.find("too slow"), std::string::npos) << out.text;
    }
}

TEST(HostileFiles, SavingPastTheFileSizeLimitFailsCleanly) {
    TempDir dir;
    const Picture original(8, 8, 0x00FF00);
    saveBmp(original, dir / "keep.bmp");
    const std::string before = readBytes(dir / "keep.bmp");
    Picture big(500, 500);  // noise: well over 100 KB in every format
    std::mt19937 rng(7);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x) big.setPixel(x, y, rng() & 0xFFFFFF);
    for (SaveFormat format : {SaveFormat::Bmp, SaveFormat::Jpeg, SaveFormat::Wmf}) {
        // ulimit -f 100 in a child, with SIGXFSZ at its default (fatal)
        // action: the save must fail with a message, not end the process.
        const ChildOutcome out = runInChild([&] {
            ::signal(SIGXFSZ, SIG_DFL);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 100 * 1024;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("setrlimit failed");
            try {
                savePictureFile(big, dir / "keep.bmp", format);
            } catch (const JollixError& e) {
                return std::string(e.what());
            }
            return std::string("(no error)");
        });
        ASSERT_TRUE(out.exited) << "ended by signal " << out.signal;
        EXPECT_NE(out.text.find("file too large"), std::string::npos) << out.text;
        EXPECT_EQ(readBytes(dir / "keep.bmp"), before);
        EXPECT_EQ(dir.entries(), 1u) << "the temporary file is removed";
    }
}

TEST(HostileFiles, LongestLegalNamesCanBeSaved) {
    TempDir dir;
    const Picture first = samplePicture(20, 10), second(7, 5, 0x0000FF);
    const std::string e = "\xC3\xA9";  // a two-byte character
    const std::string names[] = {
        std::string(246, 'a') + ".bmp",          // 250 bytes
        std::string(251, 'b') + ".bmp",          // 255, the most the file system takes
        std::string(246, 'c') + e + e + ".bmp",  // 254, shortening falls inside a character
    };
    for (const std::string& name : names) {
        EXPECT_EQ(savePictureFile(first, dir / name, SaveFormat::Bmp), dir / name);
        EXPECT_TRUE(loadPictureFile(dir / name) == first) << name.size();
        savePictureFile(second, dir / name, SaveFormat::Bmp);  // replacing it
        EXPECT_TRUE(loadPictureFile(dir / name) == second) << name.size();
    }
    EXPECT_EQ(dir.entries(), 3u) << "no temporary files are left behind";
}

namespace {

// An icon file holding one PNG image.
std::string iconWithPng(const QByteArray& png) {
    std::string ico;
    put16(ico, 0), put16(ico, 1), put16(ico, 1);  // reserved, icon, one image
    ico += std::string("\0\0\0\0", 4);            // 256 x 256 as the directory says; the PNG tells
    put16(ico, 1), put16(ico, 32);
    put32(ico, uint32_t(png.size())), put32(ico, 22);
    return ico + std::string(png.constData(), size_t(png.size()));
}

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 9);
    return bytes;
}

// What the work wrote to standard error.
std::string standardErrorOf(const std::function<void()>& work) {
    std::fflush(stderr);
    char name[] = "/tmp/jollix-stderr-XXXXXX";
    const int fd = ::mkstemp(name), saved = ::dup(2);
    ::dup2(fd, 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(fd);
    const std::string text = readBytes(name);
    ::unlink(name);
    return text;
}

}  // namespace

TEST(HostileFiles, IconsHoldingBigPngImagesOpenAndDamageIsNamed) {
    // 8000 x 8000: more than Qt lets an image take by default.
    QImage big(8000, 8000, QImage::Format_RGB888);
    big.fill(QColor(10, 200, 30));
    const std::string bigIcon = iconWithPng(pngOf(big));
    Picture p;
    const std::string said = standardErrorOf([&] { p = decodeIco(u8(bigIcon), bigIcon.size()); });
    EXPECT_EQ(p.width(), 8000);
    EXPECT_EQ(p.pixel(7999, 7999), 0x1EC80Au);
    EXPECT_EQ(said, "");

    // A PNG whose image data is damaged: the reason is told in the message.
    // (libpng itself prints its fatal errors to standard error; only Qt's
    // own warnings can be kept off it.)
    QByteArray damaged = pngOf(QImage(64, 64, QImage::Format_RGB888));
    const int idat = damaged.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    for (int i = idat + 8; i < idat + 20 && i < damaged.size(); ++i) damaged[i] = char(0x55);
    const std::string badIcon = iconWithPng(damaged);
    std::string error;
    const std::string said2 = standardErrorOf([&] {
        try {
            decodeIco(u8(badIcon), badIcon.size());
        } catch (const JollixError& e) {
            error = e.what();
        }
    });
    EXPECT_NE(error.find("the icon's PNG image cannot be read"), std::string::npos) << error;
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(said2.find("qt.gui.imageio"), std::string::npos) << said2;
}

TEST(HostileFiles, StandardInputIsToldByItsFirstBytesAndRefusedAtOnce) {
    struct Case {
        const char* what;
        std::function<std::string()> read;  // the error, or "" and a picture of 300 x 200
    };
    auto errorReading = [](std::istream& in) {
        try {
            const Picture p = loadPictureStream(in, "from standard input");
            return p.width() == 300 && p.height() == 200 ? std::string() : std::string("wrong size");
        } catch (const JollixError& e) {
            return std::string(e.what());
        }
    };
    const Case cases[] = {
        {"endless zeros",
         [&] {
             std::ifstream zero("/dev/zero", std::ios::binary);
             return errorReading(zero);
         }},
        {"nothing",
         [&] {
             std::istringstream none("");
             return errorReading(none);
         }},
        {"a bitmap",
         [&] {
             std::istringstream bmp(patternBmp(300, 200));
             return errorReading(bmp);
         }},
        {"a short text",
         [&] {
             std::istringstream text("hello");
             return errorReading(text);
         }},
    };
    const std::string expected[] = {"the file type is not one that can be opened", "it is empty", "",
                                    "the file type is not one that can be opened"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = cases[i].read();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (expected[i].empty())
            EXPECT_EQ(error, "") << cases[i].what;
        else
            EXPECT_NE(error.find("Cannot open the picture from standard input: " + expected[i]), std::string::npos)
                << cases[i].what << ": " << error;
        EXPECT_LT(seconds, 1.0) << cases[i].what;
    }
}

namespace {

// What opening a file cost in a child process of its own: its error (empty
// when it opened), the processor's seconds (user and system: on a busy
// machine far steadier than the clock's), and the growth of its resident
// memory at the peak over what it held before, in bytes.
struct OpeningCost {
    std::string error;
    double seconds = 0;
    double peakBytes = 0;
};

long residentKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    return -1;
}

// `warmUp`, a small file of the same kind, is opened first: what a reader
// costs once in a process (Qt's fonts for metafiles, a library's tables) is
// not what its picture costs.
OpeningCost openingCost(const std::string& path, const std::string& warmUp) {
    const ChildOutcome out = runInChild(
        [&] {
            try {
                loadPictureFile(warmUp);
            } catch (const JollixError&) {}
            // Peak from here on: the kernel's high-water mark reset to now.
            std::ofstream("/proc/self/clear_refs") << "5";
            const long before = residentKb("VmRSS:");
            auto processorSeconds = [] {
                rusage usage{};
                ::getrusage(RUSAGE_SELF, &usage);
                return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            };
            const double start = processorSeconds();
            std::string error;
            try {
                loadPictureFile(path);
            } catch (const JollixError& e) {
                error = e.what();
            }
            const double seconds = processorSeconds() - start;
            return std::to_string(seconds) + " " + std::to_string((residentKb("VmHWM:") - before) * 1024.0) + " " +
                   error;
        },
        60);
    OpeningCost cost;
    // A child killed (by its time limit or a crash) measured nothing: that
    // must fail the test, never pass as a cheap opening.
    if (!out.exited) {
        cost.seconds = 1e9;
        cost.error = "the opening did not finish (signal " + std::to_string(out.signal) + ")";
        return cost;
    }
    std::istringstream in(out.text);
    in >> cost.seconds >> cost.peakBytes;
    std::getline(in >> std::ws, cost.error);
    return cost;
}

struct Bomb {
    const char* what;
    const char* name;
    std::function<std::string(int side)> make;
    double memoryRatio;   // peak over the picture's raster (3 bytes a pixel)
    const char* refusal;  // "" when the file opens
};

void PrintTo(const Bomb& bomb, std::ostream* out) { *out << bomb.what; }

class SmallFilesOfBigPictures : public testing::TestWithParam<Bomb> {};

}  // namespace

// Each file claims a picture of 8192 x 8192 in a few bytes. Opening it may
// cost what opening a bitmap of that size costs: memory a small multiple
// of the picture, and about twice the time at most.
TEST_P(SmallFilesOfBigPictures, OpenInProportionToThePicture) {
    constexpr int kSide = 8192;
    const double raster = 3.0 * kSide * kSide;
    TempDir dir;
    const Bomb& bomb = GetParam();
    writeBytes(dir / "reference.bmp", patternBmp(kSide, kSide));
    writeBytes(dir / "small.bmp", patternBmp(64, 64));
    writeBytes(dir / bomb.name, bomb.make(kSide));
    writeBytes(dir / ("small-" + std::string(bomb.name)), bomb.make(128));
    const OpeningCost bmp = openingCost(dir / "reference.bmp", dir / "small.bmp");
    const OpeningCost cost = openingCost(dir / bomb.name, dir / ("small-" + std::string(bomb.name)));
    ASSERT_EQ(bmp.error, "");
    EXPECT_LT(bmp.peakBytes, 1.3 * raster);
    if (*bomb.refusal)
        EXPECT_NE(cost.error.find(bomb.refusal), std::string::npos) << cost.error;
    else
        EXPECT_EQ(cost.error, "");
    EXPECT_LT(cost.peakBytes, bomb.memoryRatio * raster) << bomb.what;
    // Twice the bitmap's time, with a second of leeway: on a machine busy
    // with other work even processor time varies several times over.
    EXPECT_LT(cost.seconds, 2.0 * bmp.seconds + 1.0) << bomb.what;
    std::printf("%s: %.2f s, peak %.0f MB (%.2f x picture); bitmap %.2f s, %.0f MB (%.2f x)\n", bomb.what, cost.seconds,
                cost.peakBytes / 1e6, cost.peakBytes / raster, bmp.seconds, bmp.peakBytes / 1e6,
                bmp.peakBytes / raster);
}

INSTANTIATE_TEST_SUITE_P(HostileFiles, SmallFilesOfBigPictures,
                         testing::Values(
                             // libwebp's lossless decoder holds the picture as 32-bit pixels until
                             // it is complete: 4/3 of the raster besides the picture's own.
                             Bomb{"34-byte lossless WebP", "one-colour.webp",
                                  [](int side) { return oneColourWebp(side, side); }, 2.45, ""},
                             Bomb{"90-byte animated WebP, its frame the whole canvas", "animated.webp",
                                  [](int side) { return animatedWebp(side, side, side, side); }, 2.45, ""},
                             Bomb{"90-byte animated WebP, a small frame on a big canvas", "small-frame.webp",
                                  [](int side) { return animatedWebp(side, side, 2, 2, 100, 100); }, 1.3, ""},
                             Bomb{"HEIF grid of one tile used 16384 times", "grid.heic",
                                  [](int side) { return heifGridOfOneTile(side / 64, side / 64, side, side); }, 2.2,
                                  "more work than its picture needs"},
                             // Metafiles are drawn in the picture's own pixel layout and moved
                             // into it a band at a time.
                             Bomb{"82-byte WMF filling its picture", "fill.wmf",
                                  [](int side) { return fullRectangleWmf(side, side); }, 1.3, ""},
                             Bomb{"EMF filling its picture", "fill.emf",
                                  [](int side) { return manyRectanglesEmf(side, side, 1); }, 1.3, ""}),
                         [](const testing::TestParamInfo<Bomb>& test) {
                             std::string name = test.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(HostileFiles, HeifLimitsAreInclusiveAndLibheifsReasonsAreKept) {
    struct Case {
        const char* what;
        std::string bytes;
        uint64_t maxPixels;
        const char* error;  // "" when it opens
    };
    const Case cases[] = {
        {"a grid of exactly the largest side", heifGridOfOneTile(16, 16, 1024, 1024), 1024 * 1024, ""},
        {"a grid one pixel past it", heifGridOfOneTile(16, 16, 1024, 1024), 1023 * 1023, "is too large"},
        {"a grid of 4096 tiles that are all one", heifGridOfOneTile(64, 64, 4096, 4096), kMaxPicturePixels,
         "more work than its picture needs (Invalid input: Security limit exceeded: Too many derived-image decode "
         "operations)"},
        {"a picture of 250 x 180 with 12,000 more items", heifGridOfOneTile(4, 3, 250, 180, 12000), kMaxPicturePixels,
         "holds 12002 items, more than a picture of its size needs (256)"},
        {"a picture of 1024 x 1024 with 250 more items", heifGridOfOneTile(16, 16, 1024, 1024, 250), kMaxPicturePixels,
         ""},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf([&] {
            const Picture p = decodeHeif(u8(c.bytes), c.bytes.size(), c.maxPixels);
            EXPECT_EQ(p.width(), 1024) << c.what;
        });
        if (*c.error)
            EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
        else
            EXPECT_EQ(error, "(no error)") << c.what;
    }
}

TEST(HostileFiles, TheProgramsOwnMetafilesReadStraightShowWhatThePlayerShows) {
    for (const auto& [w, h] : {std::pair{300, 200}, std::pair{1, 1}, std::pair{129, 65}}) {
        const Picture picture = samplePicture(w, h, 5);
        const std::string own = encodeWmf(picture);
        // The same with one harmless record more (background mode), which
        // only the player reads.
        std::string played = own;
        played.insert(played.size() - 6, std::string("\x04\0\0\0\x02\x01\x01\0", 8));
        const Picture direct = decodeWmf(u8(own), own.size());
        EXPECT_TRUE(direct == picture) << w << "x" << h;
        EXPECT_TRUE(decodeWmf(u8(played), played.size()) == direct) << w << "x" << h;
    }
}
