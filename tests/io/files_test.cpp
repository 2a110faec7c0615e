// Choosing the format by the file name, loading files from disk, and saving
// with the extension forced onto the name.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

TEST(PictureFiles, ExtensionKeyAndFormat) {
    struct Case {
        const char* name;
        const char* key;
        PictureFormat format;
    };
    const Case cases[] = {
        {"photo.JPEG", "JPEG", PictureFormat::Jpeg},    {"photo.jpeg", "JPEG", PictureFormat::Jpeg},
        {"photo.Jpg", ".JPG", PictureFormat::Jpeg},     {"xjpeg", "JPEG", PictureFormat::Jpeg},
        {"/a/b.c/pic.bmp", ".BMP", PictureFormat::Bmp}, {"a.ICO", ".ICO", PictureFormat::Ico},
        {"anim.gif", ".GIF", PictureFormat::Gif},       {"draw.Wmf", ".WMF", PictureFormat::Wmf},
        {"draw.emf", ".EMF", PictureFormat::Emf},       {"photo.jpe", ".JPE", PictureFormat::Jpeg},
        {"photo.JFIF", "JFIF", PictureFormat::Jpeg},    {"scan.dib", ".DIB", PictureFormat::Bmp},
        {"IMG_2.hif", ".HIF", PictureFormat::Heif},     {"photo.tif", ".TIF", PictureFormat::Tiff},
        {"photo.png", ".PNG", PictureFormat::Png},      {"a.TIFF", "TIFF", PictureFormat::Tiff},
        {"photo.WebP", "WEBP", PictureFormat::Webp},    {"IMG_1.HEIC", "HEIC", PictureFormat::Heif},
        {"pic.heif", "HEIF", PictureFormat::Heif},      {"xwebp", "WEBP", PictureFormat::Webp},
        {"photo.tga", ".TGA", PictureFormat::Unknown},  {"photo.hei", ".HEI", PictureFormat::Unknown},
        {"a.tif.bak", ".BAK", PictureFormat::Unknown},  {"bmp", "BMP", PictureFormat::Unknown},
        {".bmp", ".BMP", PictureFormat::Bmp},           {"", "", PictureFormat::Unknown},
        {"photo.jpg ", "JPG ", PictureFormat::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(extensionKey(c.name), c.key) << c.name;
        EXPECT_EQ(formatForName(c.name), c.format) << c.name;
    }
}

TEST(PictureFiles, ForcedFileNames) {
    struct Case {
        const char* name;
        SaveFormat format;
        const char* forced;
    };
    const Case cases[] = {
        {"out.png", SaveFormat::Jpeg, "out.jpg"},       {"out.png", SaveFormat::Bmp, "out.bmp"},
        {"out.png", SaveFormat::Wmf, "out.wmf"},        {"out", SaveFormat::Jpeg, "out.jpg"},
        {"/d/out.JPG", SaveFormat::Jpeg, "/d/out.jpg"}, {"/d.x/out", SaveFormat::Bmp, "/d.x/out.bmp"},
        {"a.b.c", SaveFormat::Wmf, "a.b.wmf"},          {"/home/u/.hidden", SaveFormat::Jpeg, "/home/u/.hidden.jpg"},
    };
    for (const Case& c : cases) EXPECT_EQ(forcedFileName(c.name, c.format), c.forced) << c.name;
}

TEST(PictureFiles, NamesDecideTheDecoder) {
    TempDir dir;
    const std::string jpeg = readBytes(dataPath("io/rgb.jpg"));
    for (const char* name : {"photo.JPEG", "photo.jpeg", "photo.Jpg", "xjpeg"}) {
        writeBytes(dir / name, jpeg);
        const Picture p = loadPictureFile(dir / name);
        EXPECT_EQ(p.width(), 24) << name;
        EXPECT_EQ(p.height(), 16) << name;
    }
    // A name of no known format: the first bytes decide, and bytes of no
    // known format are refused as of an unknown type.
    writeBytes(dir / "photo.tga", jpeg);
    EXPECT_EQ(loadPictureFile(dir / "photo.tga").width(), 24);
    for (const char* name : {"photo.tga", "noextension"}) {
        writeBytes(dir / name, std::string("TRUEVISION-XFILE") + std::string(40, '\0'));
        const std::string e = errorOf([&] { loadPictureFile(dir / name); });
        EXPECT_NE(e.find(dir / name), std::string::npos) << e;
        EXPECT_NE(e.find("not one that can be opened"), std::string::npos) << e;
    }
    // Damaged data of the name's own format keeps that decoder's message,
    // and so does data that no decoder reads.
    writeBytes(dir / "cut.jpg", jpeg.substr(0, 300));
    EXPECT_NE(errorOf([&] { loadPictureFile(dir / "cut.jpg"); }).find("JPEG"), std::string::npos);
    writeBytes(dir / "junk.tif", "BM nonsense");
    EXPECT_NE(errorOf([&] { loadPictureFile(dir / "junk.tif"); }).find("not a TIFF file"), std::string::npos);
    // Every format opens as 24 bits from disk.
    for (const char* name : {"io/pal8.bmp", "io/argb32.bmp", "io/grey.jpg", "io/offset.gif", "io/icon32.ico"})
        EXPECT_FALSE(loadPictureFile(dataPath(name)).isEmpty()) << name;
}

TEST(PictureFiles, LoadErrorsNameTheFileAndTheReason) {
    TempDir dir;
    const std::string missing = dir / "missing.jpg";
    const std::string e1 = errorOf([&] { loadPictureFile(missing); });
    EXPECT_EQ(e1, "Cannot open the picture " + missing + ": the file does not exist.");
    writeBytes(dir / "empty.gif", "");
    EXPECT_EQ(errorOf([&] { loadPictureFile(dir / "empty.gif"); }),
              "Cannot open the picture " + (dir / "empty.gif") + ": the file is empty.");
    ::mkdir((dir / "folder.bmp").c_str(), 0755);
    EXPECT_NE(errorOf([&] { loadPictureFile(dir / "folder.bmp"); }).find("folder"), std::string::npos);
    // An icon that cannot be read: "Input picture", the name, "Error." and
    // the reason, run together.
    writeBytes(dir / "bad.ico", "BM nonsense");
    EXPECT_EQ(errorOf([&] { loadPictureFile(dir / "bad.ico"); }),
              "Input picture" + (dir / "bad.ico") + "Error.the file is not an icon file");
    // A GIF without images is an error, not an empty picture.
    writeBytes(dir / "none.gif", std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14));
    EXPECT_NE(errorOf([&] { loadPictureFile(dir / "none.gif"); }).find("holds no picture"), std::string::npos);
}

TEST(PictureFiles, SaveForcesTheExtensionAndOverwrites) {
    TempDir dir;
    const Picture p = samplePicture(33, 21);
    EXPECT_EQ(savePictureFile(p, dir / "out.png", SaveFormat::Jpeg), dir / "out.jpg");
    EXPECT_EQ(savePictureFile(p, dir / "out.png", SaveFormat::Bmp), dir / "out.bmp");
    EXPECT_EQ(savePictureFile(p, dir / "out.png", SaveFormat::Wmf), dir / "out.wmf");
    EXPECT_EQ(savePictureFile(p, dir / "out", SaveFormat::Jpeg), dir / "out.jpg");
    EXPECT_EQ(dir.entries(), 3u) << "no temporary files are left behind";
    EXPECT_TRUE(loadPictureFile(dir / "out.bmp") == p);
    const Picture j = loadPictureFile(dir / "out.jpg");
    EXPECT_EQ(j.width(), 33);
    const Picture w = loadPictureFile(dir / "out.wmf");
    EXPECT_EQ(w.width(), 33);
    EXPECT_EQ(w.height(), 21);
    // Saving again overwrites without asking.
    const Picture other(5, 4, 0x123456);
    savePictureFile(other, dir / "out.bmp", SaveFormat::Bmp);
    EXPECT_TRUE(loadPictureFile(dir / "out.bmp") == other);
    saveAsMetafile(other, dir / "meta.emf");
    EXPECT_EQ(loadPictureFile(dir / "meta.wmf").width(), 5);
    // The bytes on disk are exactly the encoder's.
    EXPECT_EQ(readBytes(dir / "out.bmp"), encodeBmp(other));
}

TEST(PictureFiles, FailedSaveLeavesTheExistingFileIntact) {
    TempDir dir;
    const Picture original(8, 8, 0x00FF00);
    saveBmp(original, dir / "keep.bmp");
    const std::string before = readBytes(dir / "keep.bmp");
    const Picture big = samplePicture(300, 300);

    // No permission to create a file in the folder.
    if (::geteuid() != 0) {
        ::chmod(dir.path().c_str(), 0555);
        const std::string e = errorOf([&] { savePictureFile(big, dir / "keep.bmp", SaveFormat::Bmp); });
        EXPECT_NE(e.find("Cannot write the file " + (dir / "keep.bmp")), std::string::npos) << e;
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(readBytes(dir / "keep.bmp"), before);
    }
    // A folder that does not exist.
    EXPECT_NE(errorOf([&] { savePictureFile(big, dir / "no/such.bmp", SaveFormat::Bmp); }).find("Cannot write"),
              std::string::npos);

    // The disk fills up in the middle of writing: a file size limit makes
    // every write past 4 KiB fail, as a full disk would.
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string e;
    for (SaveFormat f : {SaveFormat::Bmp, SaveFormat::Jpeg, SaveFormat::Wmf})
        e += errorOf([&] { savePictureFile(big, dir / "keep.bmp", f); }) + "\n";
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);
    EXPECT_EQ(e.find("(no error)"), std::string::npos) << e;
    EXPECT_NE(e.find("File too large"), std::string::npos) << e;
    EXPECT_EQ(readBytes(dir / "keep.bmp"), before);
    EXPECT_EQ(dir.entries(), 1u) << "the temporary file is removed";

    // An empty picture cannot be saved.
    EXPECT_NE(errorOf([&] { savePictureFile(Picture(), dir / "keep.bmp", SaveFormat::Bmp); }).find("empty picture"),
              std::string::npos);
    EXPECT_EQ(readBytes(dir / "keep.bmp"), before);
}

TEST(PictureFiles, SavingThroughASymbolicLinkKeepsTheLink) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;  // link name -> link text
        bool targetExists;
    };
    const Case cases[] = {
        {"absolute link", {{"link.bmp", "@/sub/real.bmp"}}, true},
        {"relative link", {{"link.bmp", "sub/real.bmp"}}, true},
        {"link to a file not there yet", {{"link.bmp", "sub/real.bmp"}}, false},
        {"link to a link", {{"link.bmp", "sub/second.bmp"}, {"sub/second.bmp", "real.bmp"}}, true},
    };
    const Picture p = samplePicture(12, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::filesystem::create_directory(dir / "sub");
        if (c.targetExists) {
            writeBytes(dir / "sub/real.bmp", "old bytes");
            ::chmod((dir / "sub/real.bmp").c_str(), 0640);
        }
        for (const auto& [link, text] : c.links) {
            const std::string t = text.front() == '@' ? dir.path() + text.substr(1) : text;
            ASSERT_EQ(::symlink(t.c_str(), (dir / link).c_str()), 0);
        }
        savePictureFile(p, dir / "link.bmp", SaveFormat::Bmp);
        for (const auto& [link, text] : c.links) EXPECT_TRUE(std::filesystem::is_symlink(dir / link)) << link;
        EXPECT_EQ(readBytes(dir / "sub/real.bmp"), encodeBmp(p));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "sub/real.bmp").c_str(), &st), 0);
        if (c.targetExists) {
            EXPECT_EQ(st.st_mode & 0777, 0640u);
        }
        EXPECT_EQ(dir.entries(), 2u) << "no temporary file is left beside the link";
    }
    // A loop of links writes nothing and says why.
    TempDir dir;
    ASSERT_EQ(::symlink("b.bmp", (dir / "a.bmp").c_str()), 0);
    ASSERT_EQ(::symlink("a.bmp", (dir / "b.bmp").c_str()), 0);
    EXPECT_NE(errorOf([&] { savePictureFile(p, dir / "a.bmp", SaveFormat::Bmp); }).find("Cannot write the file"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "a.bmp"));
    EXPECT_EQ(dir.entries(), 2u);
}
