// Work measured in a child process (runInChild) finishes even when the
// parent's toolkit has already shared the same work over its threads: the
// child, made by fork, has none of them.
#include <gtest/gtest.h>

#include "io/picture_files.h"
#include "io_test_util.h"
#include "made_files.h"

using namespace jollix;
using namespace jollix::test;

TEST(ChildProcess, AMetafileOpensInTheChildAfterTheParentOpenedOne) {
    // Big enough that the toolkit's painter shares its outline over threads.
    const std::string wmf = fullRectangleWmf(4096, 4096);
    auto open = [&] { return std::to_string(decodePicture(PictureFormat::Wmf, u8(wmf), wmf.size()).width()); };
    ASSERT_EQ(open(), "4096") << "in this process";
    const ChildOutcome child = runInChild(open, 20);
    EXPECT_TRUE(child.exited) << "ended by signal " << child.signal;
    EXPECT_EQ(child.text, "4096");
}
