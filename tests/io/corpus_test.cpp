// Every file of the malformed corpus, and every checked-in test file, goes
// through every decoder: each gives a picture or a JollixError, never a
// crash, a hang or another exception.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

TEST(Corpus, EveryFileThroughEveryDecoderGivesAPictureOrAnError) {
    std::vector<std::string> files;
    for (const char* folder : {"corpus", "io", "orientation"})
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dataPath(folder)))
            if (entry.is_regular_file()) files.push_back(entry.path().string());
    ASSERT_GT(files.size(), 40u);
    size_t pictures = 0, errors = 0;
    for (const std::string& path : files) {
        const std::string bytes = readBytes(path);
        for (PictureFormat f :
             {PictureFormat::Bmp, PictureFormat::Ico, PictureFormat::Jpeg, PictureFormat::Gif, PictureFormat::Wmf,
              PictureFormat::Emf, PictureFormat::Png, PictureFormat::Webp, PictureFormat::Tiff, PictureFormat::Heif}) {
            try {
                const Picture p = decodePicture(f, u8(bytes), bytes.size());
                EXPECT_FALSE(p.isEmpty()) << path;
                ++pictures;
            } catch (const JollixError& e) {
                EXPECT_GT(std::string(e.what()).size(), 5u) << path;
                ++errors;
            }
        }
    }
    // Each malformed file is refused by the decoder of its own format.
    for (const auto& entry : std::filesystem::directory_iterator(dataPath("corpus"))) {
        const std::string path = entry.path().string();
        const PictureFormat f = formatForName(path);
        if (f == PictureFormat::Unknown) continue;
        const std::string bytes = readBytes(path);
        EXPECT_THROW(decodePicture(f, u8(bytes), bytes.size()), JollixError) << path;
    }
    EXPECT_GT(errors, pictures);
}
