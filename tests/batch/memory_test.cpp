// A batch run that runs out of memory on a worker thread ends with a
// message and exit code 1, not an abort, and writes no output.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch/batch.h"
#include "core/picture.h"
#include "../address_space.h"
#include "io/picture_files.h"

namespace fs = std::filesystem;
using namespace jollix;

TEST(BatchMemoryDeathTest, FailedAllocationEndsTheRunWithAMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = fs::temp_directory_path() / ("jollix-batch-memory-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string in = (dir / "in.bmp").string(), out = (dir / "out.bmp").string();
    // Noise, so that no tile of the sketches is shared.
    Picture p(2048, 2048);
    uint32_t s = 1;
    for (int y = 0; y < 2048; ++y)
        for (int x = 0; x < 2048; ++x) p.setPixel(x, y, (s = s * 1664525u + 1013904223u) >> 8);
    savePictureFile(p, in, SaveFormat::Bmp);
    // Room for the resized picture, not for both sketches of it: the memory
    // runs out in the edge picture or the pencil sketch, whose rows are
    // shared over threads.
    const std::vector<std::string> args{in, out, "resize@8192,8192", "sketch", "pencil-sketch"};
    auto capped = [&] {
        const rlimit cap{jollix_test::addressSpaceBytes() + (700ull << 20), RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &cap);
        return batch::runBatch(args, std::cout, std::cerr);
    };
    EXPECT_EXIT(std::_Exit(capped()), testing::ExitedWithCode(1),
                "jollix-batch: step [23] '[a-z-]+': There is not enough memory to finish this operation");
    EXPECT_FALSE(fs::exists(out));
    fs::remove_all(dir);
}
