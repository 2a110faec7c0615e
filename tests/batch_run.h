#pragma once
// What the batch tests and the face tests share: running the batch command
// in the test's process, a folder of the test's own, and reading and writing
// a file's bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch.h"

namespace jollix::testing_batch {

struct BatchRun {
    int code;
    std::string out, err;
};

// The batch command run as from a shell, with input on its standard input.
inline BatchRun runBatch(const std::vector<std::string>& args, const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = batch::runBatch(args, in, out, err);
    return {code, out.str(), err.str()};
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A test with an empty folder of its own, named for the test and removed
// after it.
class InOwnFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("jollix-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::filesystem::path dir;
};

}  // namespace jollix::testing_batch
