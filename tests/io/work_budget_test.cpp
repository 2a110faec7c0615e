// Files that ask a decoder for far more work than their picture needs are
// refused quickly and in little memory; ordinary files of the same kinds,
// big ones included, still open.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"
#include "made_files.h"

using namespace jollix;
using namespace jollix::test;

namespace {

// Decodes in a child process and reports "error text|seconds|peak MB".
struct Refusal {
    std::string error;
    double seconds = 0;
    double peakMb = 0;
};

Refusal decodeInChild(PictureFormat format, const std::string& bytes) {
    const ChildOutcome out = runInChild(
        [&] {
            const auto start = std::chrono::steady_clock::now();
            std::string error = "(no error)";
            try {
                decodePicture(format, u8(bytes), bytes.size());
            } catch (const JollixError& e) {
                error = e.what();
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            return error + "|" + std::to_string(seconds) + "|" + std::to_string(usage.ru_maxrss / 1024.0);
        },
        120);
    Refusal r;
    EXPECT_TRUE(out.exited) << "signal " << out.signal;
    const size_t a = out.text.rfind('|', out.text.rfind('|') - 1), b = out.text.rfind('|');
    if (a == std::string::npos || b == std::string::npos) return r;
    r.error = out.text.substr(0, a);
    r.seconds = std::stod(out.text.substr(a + 1, b - a - 1));
    r.peakMb = std::stod(out.text.substr(b + 1));
    return r;
}

}  // namespace

TEST(WorkBudget, HostileFilesAreRefusedInUnderASecondAnd300Mb) {
    struct Case {
        const char* what;
        PictureFormat format;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"progressive JPEG of 16384 x 16384 with 499 AC scans", PictureFormat::Jpeg, progressiveJpegBomb(16384, 499),
         "far more decoding work"},
        {"EMF of 1000 x 1000 with 100,000 full rectangles", PictureFormat::Emf, manyRectanglesEmf(1000, 1000, 100000),
         "draws far more than its picture holds"},
        {"EMF of 4000 x 4000 with 100,000 full rectangles", PictureFormat::Emf, manyRectanglesEmf(4000, 4000, 100000),
         "draws far more than its picture holds"},
        {"EMF of 1000 x 1000 with 5,000 tiny rectangles scaled to full", PictureFormat::Emf,
         manyRectanglesEmf(1000, 1000, 5000, true), "draws far more than its picture holds"},
        {"EMF of 1000 x 1000 with a polyline across it 200,000 times", PictureFormat::Emf, zigzagEmf(1000, 200000),
         "draws far more than its picture holds"},
        {"HEIF grid of 24 x 16 claiming a canvas of 27759 x 14441", PictureFormat::Heif,
         readBytes(dataPath("corpus/heic-grid-canvas-beyond-its-size.heic")), "too large"},
    };
    for (const Case& c : cases) {
        const Refusal r = decodeInChild(c.format, c.bytes);
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
        EXPECT_LT(r.seconds, 1.0) << c.what;
        EXPECT_LT(r.peakMb, 300.0) << c.what;
        std::printf("%s (%zu bytes): refused in %.3f s, peak %.0f MB\n", c.what, c.bytes.size(), r.seconds, r.peakMb);
    }
}

TEST(WorkBudget, OrdinaryFilesOfTheSameKindsStillOpen) {
    // libjpeg's standard progressive script on a 6-megapixel picture, and a
    // small picture refined bit by bit in hundreds of scans.
    const Picture photo = samplePicture(3000, 2000);
    const std::string progressive = progressiveJpeg(photo);
    const Picture p = decodeJpeg(u8(progressive), progressive.size());
    const std::string baseline = encodeJpeg(photo);
    EXPECT_LT(meanChannelDifference(p, decodeJpeg(u8(baseline), baseline.size())), 1.0);
    const std::string refined = progressiveJpegBomb(256, 450);
    EXPECT_EQ(decodeJpeg(u8(refined), refined.size()).width(), 256);
    // Metafiles drawing their picture a few dozen times over.
    for (bool scaled : {false, true}) {
        const std::string emf = manyRectanglesEmf(1000, 1000, 50, scaled);
        const Picture m = decodeEmf(u8(emf), emf.size());
        EXPECT_EQ(m.width(), 1000);
        EXPECT_EQ(m.pixel(500, 500), 0x0000FFu) << scaled;
    }
}
