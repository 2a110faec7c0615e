// The format table: files known by their content where the name fails, and
// the lists made from the table (dialogs, saved extensions).
#include <gtest/gtest.h>

#include <set>

#include "core/error.h"
#include "io/formats.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

TEST(FormatTable, FilesNamedForAnotherFormatOpenByTheirContent) {
    // Each file under a name that chooses another decoder first (or none)
    // opens as the same picture as under its right name.
    TempDir dir;
    struct Case {
        const char* file;  // test data with its right name
        const char* name;  // the name it gets
    };
    const Case cases[] = {
        {"io/rgba.png", "download.jpg"},    // a PNG named .jpg
        {"io/rgb.jpg", "photo.png"},        // a JPEG named .png
        {"io/rgb.jpg", "photo.jpe"},        // extensions of the JPEG type
        {"io/rgb.jpg", "photo.JFIF"},       //
        {"io/rgb24.bmp", "scan.dib"},       // the bitmap type's other extension
        {"io/src.heic", "IMG_1.hif"},       // and HEIF's
        {"io/rgba.png", "favicon.ico"},     // a PNG named .ico
        {"io/rgb.jpg", "wrong.bmp"},        // a JPEG named .bmp, .tif, .gif, .webp
        {"io/rgb.jpg", "wrong.tif"},        //
        {"io/rgb.jpg", "wrong.gif"},        //
        {"io/pal8.bmp", "wrong.webp"},      //
        {"io/rgb48.tif", "wrong.heic"},     //
        {"io/offset.gif", "wrong.emf"},     //
        {"io/icon32.ico", "icon.png"},      //
        {"io/rgba.png", "noextension"},     // no extension at all
        {"io/alpha.webp", "picture.data"},  // an extension of no known format
    };
    for (const Case& c : cases) {
        const std::string bytes = readBytes(dataPath(c.file));
        const PictureFormat right = formatForName(c.file);
        writeBytes(dir / c.name, bytes);
        Picture opened;
        EXPECT_NO_THROW(opened = loadPictureFile(dir / c.name)) << c.name;
        EXPECT_TRUE(opened == decodePicture(right, u8(bytes), bytes.size())) << c.name;
        // The preview and a drop know it for a picture too.
        EXPECT_EQ(formatOfFile(dir / c.name),
                  formatForName(c.name) != PictureFormat::Unknown ? formatForName(c.name) : right)
            << c.name;
    }
    // Neither the name nor the content of a known format.
    writeBytes(dir / "notes.txt", "just some words, no picture");
    EXPECT_EQ(formatOfFile(dir / "notes.txt"), PictureFormat::Unknown);
    EXPECT_EQ(formatOfFile(dir / "missing.data"), PictureFormat::Unknown);
    EXPECT_EQ(formatOfFile(dir.path()), PictureFormat::Unknown);
}

TEST(FormatTable, EverySaveExtensionOpensAsItsFormat) {
    // A picture saved under any extension an output may have opens again by
    // that name, and every name given to a saved file is one Open reads.
    for (const FileFormat& f : fileFormats()) {
        for (const std::string& ext : wordsOf(f.saveExtensions)) {
            SaveFormat chosen = SaveFormat::Jpeg;
            ASSERT_TRUE(saveFormatForName("out." + ext, &chosen)) << ext;
            EXPECT_EQ(int(chosen), f.saveEntry) << ext;
            EXPECT_EQ(formatForName("out." + ext), f.format) << ext;
        }
        for (const std::string& ext : wordsOf(f.extensions)) EXPECT_EQ(formatForName("x." + ext), f.format) << ext;
        EXPECT_EQ(f.saveEntry > 0, f.encode != nullptr) << f.description;
    }
    std::set<int> entries;
    for (const FileFormat& f : fileFormats())
        if (f.saveEntry > 0) entries.insert(f.saveEntry);
    EXPECT_EQ(int(entries.size()), kSaveFormatCount);
    EXPECT_EQ(*entries.begin(), 1);
    EXPECT_EQ(*entries.rbegin(), kSaveFormatCount);
}

TEST(FormatTable, DialogListsAndMessagesComeFromTheTable) {
    // The dialogs' lists as the user sees them: today's entries, the JPEG,
    // bitmap and HEIF entries also naming their types' other extensions.
    EXPECT_EQ(openDialogFilter(),
              "*.jpg|*.jpg|*.jpeg;*.jpe;*.jfif|*.jpeg;*.jpe;*.jfif|*.bmp;*.dib|*.bmp;*.dib|*.wmf|*.wmf|*.emf|*.emf|"
              "*.gif|*.gif|*.png|*.png|*.webp|*.webp|*.tif;*.tiff|*.tif;*.tiff|*.heic;*.heif;*.hif|*.heic;*.heif;*.hif|"
              "All files|*.*");
    EXPECT_EQ(saveDialogFilter(), "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf|*.png|*.png|*.webp|*.webp|*.tif|*.tif");
    EXPECT_EQ(savedExtensionsText(), ".jpg, .jpeg, .bmp, .wmf, .png, .webp, .tif or .tiff");
    // Every extension that opens is in the open dialog's patterns, but the
    // icon's, which "All files" reaches.
    const std::string filter = openDialogFilter();
    for (const FileFormat& f : fileFormats())
        for (const std::string& ext : wordsOf(f.extensions))
            EXPECT_EQ(filter.find("*." + ext + "|") != std::string::npos ||
                          filter.find("*." + ext + ";") != std::string::npos,
                      f.format != PictureFormat::Ico)
                << ext;
    // The save dialog's entries, in order, force their format's extension.
    for (int i = 1; i <= kSaveFormatCount; ++i) {
        const auto format = static_cast<SaveFormat>(i);
        EXPECT_EQ(forcedFileName("a.b", format), "a" + std::string(saveExtension(format)));
        EXPECT_EQ(fileFormat(format)->saveEntry, i);
    }
}

TEST(FormatTable, SignaturesTellEveryFormatApart) {
    // No format's first bytes are taken for another's.
    const char* files[] = {"io/rgb.jpg",    "io/rgb24.bmp", "io/offset.gif", "io/rgba.png",
                           "io/alpha.webp", "io/rgb48.tif", "io/src.heic",   "io/icon32.ico"};
    for (const char* file : files) {
        const std::string bytes = readBytes(dataPath(file));
        int matching = 0;
        for (const FileFormat& f : fileFormats()) matching += f.hasSignature(u8(bytes), bytes.size()) ? 1 : 0;
        EXPECT_EQ(matching, 1) << file;
        EXPECT_EQ(formatFromContent(u8(bytes), bytes.size()), formatForName(file)) << file;
    }
    const Picture p(5, 4, 0x336699);
    for (int i = 1; i <= kSaveFormatCount; ++i) {
        const std::string bytes = encodePicture(p, static_cast<SaveFormat>(i));
        EXPECT_EQ(formatFromContent(u8(bytes), bytes.size()), fileFormat(static_cast<SaveFormat>(i))->format) << i;
    }
}
