// PNG, WebP, TIFF and HEIC files: opening files written by another program
// (ImageMagick), saving and opening again, damaged files, photos stored
// sideways, and saved files without camera metadata.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

// Upright, the orientation pictures have four quarters: red top left, green
// top right, blue bottom left, yellow bottom right.
void expectUpright(const Picture& p, const std::string& what) {
    ASSERT_EQ(p.width(), 24) << what;
    ASSERT_EQ(p.height(), 16) << what;
    const struct {
        int x, y;
        uint32_t colour;
        const char* corner;
    } corners[] = {
        {0, 0, 0x0000FF, "top left red"},
        {23, 0, 0x00FF00, "top right green"},
        {0, 15, 0xFF0000, "bottom left blue"},
        {23, 15, 0x00FFFF, "bottom right yellow"},
    };
    for (const auto& c : corners) {
        const uint32_t got = p.pixel(c.x, c.y);
        for (int s = 0; s < 24; s += 8)
            EXPECT_NEAR(int((got >> s) & 255), int((c.colour >> s) & 255), 12)
                << what << ": " << c.corner << ", got " << std::hex << got;
    }
}

}  // namespace

TEST(Formats, FilesOfAnotherProgramOpenAtTheirSizeAndColours) {
    // Reference: ImageMagick's own reading of the file, transparent parts
    // flattened onto white. Lossy files are compared with some slack for the
    // two decoders' rounding and upsampling.
    struct Case {
        const char* file;
        const char* ref;
        int w, h;
        int maxDiff;
        double meanDiff;
    };
    const Case cases[] = {
        {"io/rgba.png", "io/rgba-png.ref.png", 24, 16, 1, 0.5},      // alpha: opaque, clear, half
        {"io/grey16.png", "io/grey16-png.ref.png", 24, 16, 1, 1.0},  // 16-bit grey
        {"io/rgb48.png", "io/rgb48-png.ref.png", 24, 16, 1, 1.0},    // 16-bit colour
        {"io/alpha.webp", "io/alpha-webp.ref.png", 24, 16, 1, 0.5},  // lossless with alpha
        {"io/lossy.webp", "io/lossy-webp.ref.png", 24, 16, 24, 3.0},
        {"io/pages.tif", "io/pages-tif.ref.png", 24, 16, 1, 0.5},  // first of two pages
        {"io/rgb48.tif", "io/rgb48-tif.ref.png", 24, 16, 1, 1.0},  // 16-bit colour
        {"io/grey.tif", "io/grey-tif.ref.png", 24, 16, 1, 0.5},
        {"io/src.heic", "io/src-heic.ref.png", 24, 16, 24, 3.0},
    };
    for (const Case& c : cases) {
        const Picture p = loadPictureFile(dataPath(c.file));
        ASSERT_EQ(p.width(), c.w) << c.file;
        ASSERT_EQ(p.height(), c.h) << c.file;
        const Picture ref = referencePicture(dataPath(c.ref));
        EXPECT_LE(maxChannelDifference(p, ref), c.maxDiff) << c.file;
        EXPECT_LE(meanChannelDifference(p, ref), c.meanDiff) << c.file;
    }
    // Fully transparent pixels are white, half transparent ones half white.
    const Picture rgba = loadPictureFile(dataPath("io/rgba.png"));
    EXPECT_EQ(rgba.pixel(20, 2), 0xFFFFFFu);
    EXPECT_GE(rgba.pixel(20, 12) & 0xFF, 0x7Fu);
}

TEST(Formats, SavedPicturesOpenAgain) {
    TempDir dir;
    const Picture p = samplePicture(61, 37);
    struct Case {
        SaveFormat format;
        const char* written;
        const char* magic;
        size_t magicAt;
        int maxDiff;
        double meanDiff;
    };
    const Case cases[] = {
        {SaveFormat::Png, "out.png", "\x89PNG", 0, 0, 0.0},
        {SaveFormat::Tiff, "out.tif", "II*", 0, 0, 0.0},
        {SaveFormat::Webp, "out.webp", "WEBP", 8, 255, 12.0},  // lossy, and the noise suffers most
    };
    for (const Case& c : cases) {
        EXPECT_EQ(savePictureFile(p, dir / "out.jpg", c.format), dir / c.written);
        const std::string bytes = readBytes(dir / c.written);
        EXPECT_EQ(bytes.compare(c.magicAt, std::strlen(c.magic), c.magic), 0) << c.written;
        const Picture q = loadPictureFile(dir / c.written);
        ASSERT_EQ(q.width(), 61) << c.written;
        ASSERT_EQ(q.height(), 37) << c.written;
        EXPECT_LE(maxChannelDifference(p, q), c.maxDiff) << c.written;
        EXPECT_LE(meanChannelDifference(p, q), c.meanDiff) << c.written;
    }
    // WebP at quality 90 keeps a smooth picture close.
    Picture smooth(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) smooth.setPixel(x, y, uint32_t(x * 4) | (uint32_t(y * 5) << 8) | (0x60u << 16));
    const std::string webp = encodeWebp(smooth);
    EXPECT_LT(meanChannelDifference(smooth, decodeWebp(u8(webp), webp.size())), 2.0);
    EXPECT_EQ(dir.entries(), 3u) << "no temporary files are left behind";
}

TEST(Formats, DamagedFilesGiveAClearErrorNamingTheFile) {
    TempDir dir;
    struct Case {
        const char* file;
        const char* name;
    };
    const Case cases[] = {
        {"io/rgba.png", "bad.png"},
        {"io/alpha.webp", "bad.webp"},
        {"io/rgb48.tif", "bad.tif"},
        {"io/src.heic", "bad.heic"},
    };
    for (const Case& c : cases) {
        const std::string good = readBytes(dataPath(c.file));
        // Cut short at several places, the magic bytes wrong, the middle
        // overwritten. (A good file of another format under this name opens
        // by its content.)
        std::vector<std::string> damaged = {good.substr(0, 8), good.substr(0, good.size() / 2),
                                            good.substr(0, good.size() * 3 / 4), "XXXX" + good.substr(4)};
        std::string scrambled = good;
        for (size_t i = scrambled.size() / 3; i < scrambled.size() * 2 / 3; ++i) scrambled[i] = char(0xA5);
        damaged.push_back(scrambled);
        for (size_t i = 0; i < damaged.size(); ++i) {
            writeBytes(dir / c.name, damaged[i]);
            const std::string e = errorOf([&] { loadPictureFile(dir / c.name); });
            EXPECT_EQ(e.rfind("Cannot open the picture " + (dir / c.name) + ": ", 0), 0u)
                << c.file << " damage " << i << ": " << e;
        }
    }
}

TEST(Formats, APngChunkLongerThanItsFileIsRefusedBeforeDecoding) {
    // A 250-byte file whose text chunk claims 2 GB: refused from its
    // structure, before the decoder allocates what the chunk claims. The
    // same claim in a file cut short right after it, and in the last chunk.
    const std::string bomb = readBytes(dataPath("corpus/png-chunk-longer-than-file.png"));
    const std::string good = readBytes(dataPath("io/rgba.png"));
    std::string lastChunk = good;
    lastChunk[lastChunk.size() - 12] = char(0x7F);  // IEND's length
    for (const std::string& bytes : {bomb, bomb.substr(0, 197), lastChunk}) {
        const std::string e = errorOf([&] { decodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); });
        EXPECT_NE(e.find("a chunk is longer than the file"), std::string::npos) << e;
    }
}

TEST(Formats, PicturesCutShortInTheirPixelDataAreRefused) {
    // Larger pictures whose pixel data spans many rows and blocks: no
    // decoder hands back the rows it got before the end.
    const Picture p = samplePicture(300, 200);
    for (auto [save, open] :
         {std::pair{SaveFormat::Png, PictureFormat::Png}, std::pair{SaveFormat::Tiff, PictureFormat::Tiff},
          std::pair{SaveFormat::Webp, PictureFormat::Webp}})
        for (double part : {0.3, 0.6, 0.9, 0.99}) {
            const std::string bytes = encodePicture(p, save);
            const std::string cut = bytes.substr(0, size_t(double(bytes.size()) * part));
            EXPECT_NE(errorOf([&] { decodePicture(open, u8(cut), cut.size()); }), "(no error)")
                << int(save) << " cut at " << part;
        }
}

TEST(Formats, HugePicturesAreRefusedBeforeDecoding) {
    // Headers that promise more pixels than the limit.
    const Picture tall(1, 3000, 0x808080);
    for (SaveFormat f : {SaveFormat::Png, SaveFormat::Tiff}) {
        const std::string bytes = encodePicture(tall, f);
        const PictureFormat pf = f == SaveFormat::Png ? PictureFormat::Png : PictureFormat::Tiff;
        EXPECT_NE(errorOf([&] { decodePicture(pf, u8(bytes), bytes.size(), 2000); }).find("too"), std::string::npos);
        EXPECT_EQ(decodePicture(pf, u8(bytes), bytes.size(), 3000).height(), 3000);
    }
}

TEST(Formats, PhotosOpenUprightWhateverTheirOrientation) {
    for (int n = 1; n <= 8; ++n) {
        const std::string name = "orientation/jpeg-" + std::to_string(n) + ".jpg";
        expectUpright(loadPictureFile(dataPath(name)), name);
    }
    for (const char* name : {"orientation/webp-6.webp", "orientation/tiff-5.tif", "orientation/tiff-6.tif",
                             "orientation/tiff-7.tif", "orientation/heic-6.heic"})
        expectUpright(loadPictureFile(dataPath(name)), name);
    // The same bytes from memory, as the batch command reads a pipe.
    const std::string bytes = readBytes(dataPath("orientation/jpeg-6.jpg"));
    expectUpright(decodePicture(formatFromContent(u8(bytes), bytes.size()), u8(bytes), bytes.size()), "from memory");
}

TEST(Formats, SavedFilesCarryNoCameraMetadata) {
    TempDir dir;
    const Picture photo = loadPictureFile(dataPath("orientation/jpeg-6.jpg"));
    for (int f = 1; f <= kSaveFormatCount; ++f) {
        const SaveFormat format = static_cast<SaveFormat>(f);
        const std::string path = savePictureFile(photo, dir / "saved", format);
        const std::string bytes = readBytes(path);
        EXPECT_EQ(bytes.find("Exif"), std::string::npos) << path;
        EXPECT_EQ(bytes.find("eXIf"), std::string::npos) << path;
        if (format == SaveFormat::Jpeg) {
            EXPECT_EQ(bytes.find("\xFF\xE1"), std::string::npos) << "no APP1 segment";
        }
        // Opened again, it is still upright: nothing turns it a second time.
        if (format != SaveFormat::Wmf) expectUpright(loadPictureFile(path), path);
        // Qt sees no orientation either.
        QByteArray data(bytes.data(), qsizetype(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.transformation(), QImageIOHandler::TransformationNone) << path;
    }
}

TEST(Formats, ContentTellsTheFormat) {
    struct Case {
        const char* file;
        PictureFormat format;
    };
    const Case cases[] = {
        {"io/rgb.jpg", PictureFormat::Jpeg},
        {"io/rgba.png", PictureFormat::Png},
        {"io/pal8.bmp", PictureFormat::Bmp},
        {"io/offset.gif", PictureFormat::Gif},
        {"io/icon32.ico", PictureFormat::Ico},
        {"io/alpha.webp", PictureFormat::Webp},
        {"io/pages.tif", PictureFormat::Tiff},
        {"io/src.heic", PictureFormat::Heif},
        {"orientation/tiff-6.tif", PictureFormat::Tiff},
    };
    for (const Case& c : cases) {
        const std::string bytes = readBytes(dataPath(c.file));
        EXPECT_EQ(formatFromContent(u8(bytes), bytes.size()), c.format) << c.file;
    }
    const Picture p(9, 7, 0x123456);
    for (auto [format, expected] :
         {std::pair{SaveFormat::Wmf, PictureFormat::Wmf}, std::pair{SaveFormat::Tiff, PictureFormat::Tiff}}) {
        const std::string bytes = encodePicture(p, format);
        EXPECT_EQ(formatFromContent(u8(bytes), bytes.size()), expected);
    }
    for (const std::string& junk : {std::string(), std::string("hello"), std::string(64, '\0')})
        EXPECT_EQ(formatFromContent(u8(junk), junk.size()), PictureFormat::Unknown);
}

TEST(Formats, OutputNamesTellTheFormat) {
    struct Case {
        const char* name;
        bool known;
        SaveFormat format;
    };
    const Case cases[] = {
        {"out.jpg", true, SaveFormat::Jpeg},    {"out.JPEG", true, SaveFormat::Jpeg},
        {"a/b.bmp", true, SaveFormat::Bmp},     {"x.wmf", true, SaveFormat::Wmf},
        {"x.Png", true, SaveFormat::Png},       {"x.webp", true, SaveFormat::Webp},
        {"x.tif", true, SaveFormat::Tiff},      {"x.TIFF", true, SaveFormat::Tiff},
        {".png", true, SaveFormat::Png},        {"out.jpe", false, SaveFormat::Jpeg},
        {"out", false, SaveFormat::Jpeg},       {"png", false, SaveFormat::Jpeg},
        {"d.png/out", false, SaveFormat::Jpeg}, {"out.heic", false, SaveFormat::Jpeg},
        {"out.", false, SaveFormat::Jpeg},
    };
    for (const Case& c : cases) {
        SaveFormat f = SaveFormat::Jpeg;
        EXPECT_EQ(saveFormatForName(c.name, &f), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(f, c.format) << c.name;
        }
    }
}
