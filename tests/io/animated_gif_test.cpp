// The animated GIF of the edit, read back with giflib (and with ImageMagick's
// identify where it is installed): frames, delays, loop, what a viewer shows.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gif_lib.h>

#include "core/error.h"
#include "io/animated_gif.h"
#include "io_test_util.h"
#include "tests/photo_like.h"

using namespace jollix;
using namespace jollix::test;
using jollix::testing_photo::photoLike;

namespace {

// `base` with the disc of radius r around (cx, cy) recoloured.
Picture withDisc(const Picture& base, int cx, int cy, int r, uint32_t colour) {
    Picture p = base;
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                p.setPixel(x, y, colour ^ (uint32_t(x * 3 + y) & 0x0F0F0F));
    return p;
}

struct GifDeleter {
    void operator()(GifFileType* g) const {
        int e = 0;
        DGifCloseFile(g, &e);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifDeleter>;

struct Reader {
    const std::string* bytes;
    size_t pos = 0;
};

int readMemory(GifFileType* g, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(g->UserData);
    const size_t k = std::min(size_t(n), r->bytes->size() - r->pos);
    std::memcpy(out, r->bytes->data() + r->pos, k);
    r->pos += k;
    return int(k);
}

GifPtr slurp(const std::string& bytes, Reader& reader) {
    reader.bytes = &bytes;
    int error = 0;
    GifPtr gif(DGifOpen(&reader, readMemory, &error));
    EXPECT_TRUE(gif) << GifErrorString(error);
    if (gif) {
        EXPECT_EQ(DGifSlurp(gif.get()), GIF_OK) << GifErrorString(gif->Error);
    }
    return gif;
}

// The loop count of the NETSCAPE2.0 block, or -1 when there is none.
int loopCount(const GifFileType* gif) {
    const SavedImage& first = gif->SavedImages[0];
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = first.ExtensionBlocks[i];
        if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
            std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0) {
            const ExtensionBlock& sub = first.ExtensionBlocks[i + 1];
            if (sub.ByteCount == 3 && sub.Bytes[0] == 1) return sub.Bytes[1] | (sub.Bytes[2] << 8);
        }
    }
    return -1;
}

// What a viewer shows after each frame: every image drawn over the last,
// its transparent pixels leaving what was there.
std::vector<std::vector<std::array<uint8_t, 3>>> shownFrames(GifFileType* gif) {
    std::vector<std::array<uint8_t, 3>> canvas(size_t(gif->SWidth) * gif->SHeight, {0, 0, 0});
    std::vector<std::vector<std::array<uint8_t, 3>>> out;
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& im = gif->SavedImages[k];
        GraphicsControlBlock gcb;
        DGifSavedExtensionToGCB(gif, k, &gcb);
        const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
        for (int y = 0; y < im.ImageDesc.Height; ++y)
            for (int x = 0; x < im.ImageDesc.Width; ++x) {
                const int index = im.RasterBits[size_t(y) * im.ImageDesc.Width + x];
                if (index == gcb.TransparentColor) continue;
                const GifColorType c = map->Colors[index];
                canvas[size_t(im.ImageDesc.Top + y) * gif->SWidth + im.ImageDesc.Left + x] = {c.Red, c.Green, c.Blue};
            }
        out.push_back(canvas);
    }
    return out;
}

// Mean and largest difference of a shown frame from the picture it shows.
std::pair<double, int> difference(const std::vector<std::array<uint8_t, 3>>& shown, const Picture& p) {
    double sum = 0;
    int largest = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint32_t c = p.pixel(x, y);
            const auto& s = shown[size_t(y) * p.width() + x];
            for (int ch = 0; ch < 3; ++ch) {
                const int d = std::abs(int(s[size_t(ch)]) - int((c >> (8 * ch)) & 255));
                sum += d;
                largest = std::max(largest, d);
            }
        }
    return {sum / (3.0 * p.width() * p.height()), largest};
}

}  // namespace

TEST(AnimatedGif, DecodesToTheFramesWithTheirDelaysLoopingForEver) {
    const Picture base = photoLike(320, 240);
    const Picture a = withDisc(base, 100, 80, 30, 0x2040C0);
    const Picture b = withDisc(a, 250, 200, 20, 0x10E020);
    const Picture c = withDisc(b, 0, 0, 5, 0xFFFFFF);
    struct Image {
        int left, top, width, height;
    };
    struct Case {
        const char* what;
        std::vector<Picture> frames;
        std::vector<Image> images;  // the stored rectangles
    };
    const Case cases[] = {
        {"the opened picture alone", {base}, {{0, 0, 320, 240}}},
        {"three local changes",
         {base, a, b, c},
         {{0, 0, 320, 240}, {70, 50, 61, 61}, {230, 180, 41, 41}, {0, 0, 6, 6}}},
        {"a frame without change keeps its time",
         {base, a, a, b},
         {{0, 0, 320, 240}, {70, 50, 61, 61}, {0, 0, 1, 1}, {230, 180, 41, 41}}},
        {"a whole new picture", {base, photoLike(320, 240, 99)}, {{0, 0, 320, 240}, {0, 0, 320, 240}}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.what);
        const std::string bytes = encodeAnimatedGif(t.frames);
        Reader reader;
        GifPtr gif = slurp(bytes, reader);
        ASSERT_TRUE(gif);
        EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
        EXPECT_EQ(gif->SWidth, 320);
        EXPECT_EQ(gif->SHeight, 240);
        ASSERT_EQ(gif->ImageCount, int(t.frames.size()));
        EXPECT_EQ(loopCount(gif.get()), 0) << "loops for ever";
        for (int k = 0; k < gif->ImageCount; ++k) {
            GraphicsControlBlock gcb;
            ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), k, &gcb), GIF_OK);
            EXPECT_EQ(gcb.DelayTime, k + 1 == gif->ImageCount ? 200 : 15) << "frame " << k;
            EXPECT_EQ(gcb.DisposalMode, DISPOSE_DO_NOT) << "frame " << k;
            const GifImageDesc& d = gif->SavedImages[k].ImageDesc;
            EXPECT_EQ(d.Left, t.images[size_t(k)].left) << "frame " << k;
            EXPECT_EQ(d.Top, t.images[size_t(k)].top) << "frame " << k;
            EXPECT_EQ(d.Width, t.images[size_t(k)].width) << "frame " << k;
            EXPECT_EQ(d.Height, t.images[size_t(k)].height) << "frame " << k;
            EXPECT_TRUE(d.ColorMap) << "each frame has its own palette";
        }
        // What a viewer shows is each picture, up to the palette's dithering.
        const auto shown = shownFrames(gif.get());
        for (size_t k = 0; k < shown.size(); ++k) {
            const auto [mean, largest] = difference(shown[k], t.frames[k]);
            EXPECT_LT(mean, 4.0) << "frame " << k;
            EXPECT_LT(largest, 64) << "frame " << k;
        }
    }
}

TEST(AnimatedGif, UnchangedPixelsOfAStoredRectangleStayAsShown) {
    // The change is a ring: the pixels inside it must keep exactly what the
    // previous frame showed (they are transparent), not a new dithering.
    const Picture base = photoLike(200, 200);
    Picture ring = base;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const int d = (x - 100) * (x - 100) + (y - 100) * (y - 100);
            if (d >= 60 * 60 && d <= 70 * 70) ring.setPixel(x, y, 0x0000FF);
        }
    const std::string bytes = encodeAnimatedGif({base, ring});
    Reader reader;
    GifPtr gif = slurp(bytes, reader);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 2);
    const auto shown = shownFrames(gif.get());
    int unchanged = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (ring.pixel(x, y) == base.pixel(x, y)) {
                ASSERT_EQ(shown[1][size_t(y) * 200 + x], shown[0][size_t(y) * 200 + x]) << x << "," << y;
                ++unchanged;
            }
    EXPECT_GT(unchanged, 200 * 200 / 2);
    EXPECT_LT(difference(shown[1], ring).first, 4.0);
}

TEST(AnimatedGif, RefusesWhatCannotBeAnAnimation) {
    EXPECT_THROW(encodeAnimatedGif({}), JollixError);
    EXPECT_THROW(encodeAnimatedGif({Picture()}), JollixError);
    EXPECT_THROW(encodeAnimatedGif({Picture(10, 10), Picture(10, 11)}), JollixError);
}

TEST(AnimatedGif, SavingReplacesAtomicallyAndNamesTheFileOnFailure) {
    TempDir dir;
    const std::string path = dir.path() + "/edit.gif";
    writeBytes(path, "older");
    const std::vector<Picture> frames{photoLike(64, 48), withDisc(photoLike(64, 48), 30, 20, 6, 0xFF)};
    saveAnimatedGif(frames, path);
    EXPECT_EQ(readBytes(path), encodeAnimatedGif(frames));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file is left";

    const std::string missing = dir.path() + "/no such folder/edit.gif";
    try {
        saveAnimatedGif(frames, missing);
        FAIL() << "saved into a folder that does not exist";
    } catch (const JollixError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    try {
        saveAnimatedGif({}, path);
        FAIL() << "saved an animation without frames";
    } catch (const JollixError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(readBytes(path), encodeAnimatedGif(frames)) << "a failed save leaves the file as it was";
}

TEST(AnimatedGif, ImageMagickReadsTheFramesDelaysAndLoop) {
    if (std::system("identify -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    TempDir dir;
    const std::string path = dir.path() + "/edit.gif";
    const Picture base = photoLike(120, 90);
    const Picture a = withDisc(base, 30, 30, 10, 0xFF00);
    saveAnimatedGif({base, a, withDisc(a, 90, 60, 12, 0xFF)}, path);
    const auto run = [](const std::string& command) {
        std::string out;
        FILE* pipe = ::popen(command.c_str(), "r");
        EXPECT_TRUE(pipe) << command;
        if (!pipe) return out;
        char buf[256];
        while (std::fgets(buf, sizeof buf, pipe)) out += buf;
        EXPECT_EQ(::pclose(pipe), 0) << command << ": " << out;
        return out;
    };
    // Delay, screen size and where each stored rectangle lies.
    EXPECT_EQ(run("identify -format '%T %W %H %g\\n' '" + path + "' 2>&1"),
              "15 120 90 120x90+0+0\n15 120 90 120x90+20+20\n200 120 90 120x90+78+48\n");
    // The loop count: 0, for ever.
    EXPECT_EQ(run("identify -verbose '" + path + "' | grep -c 'Iterations: 0'"), "3\n");
}
