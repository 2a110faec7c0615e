// Opening and saving photo-sized files: a 24-megapixel JPEG and PNG and a
// 12-megapixel HEIC, each measured as the program does it (file to picture,
// picture to file) and, in the same run on the same files, as ImageMagick's
// `convert` does it:
//   open:  convert FILE null:          (decode, write nothing)
//   save:  convert photo.mpc OUT.EXT   (ImageMagick's own pixel cache, so
//                                       that reading it costs next to nothing)
// Both are wall-clock times; convert's include starting the process.
// The files are made once, in a temporary folder removed at exit.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_util.h"
#include "io/picture_files.h"

namespace {

using namespace jollix;
namespace fs = std::filesystem;

class Files {
public:
    static Files& get() {
        static Files files;
        return files;
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    bool convertWorks() const { return convert_; }
    const Picture& photo24() const { return photo24_; }
    const Picture& photo12() const { return photo12_; }

private:
    Files() {
        std::string t = (fs::temp_directory_path() / "jollix-bench-XXXXXX").string();
        dir_ = ::mkdtemp(t.data());
        photo24_ = bench::photoLike(6000, 4000);
        photo12_ = bench::photoLike(4000, 3000);
        writePictureFile(photo24_, path("photo24.png"), SaveFormat::Png);
        writePictureFile(photo24_, path("photo24.jpg"), SaveFormat::Jpeg);
        writePictureFile(photo12_, path("photo12.png"), SaveFormat::Png);
        // The program writes no HEIC; ImageMagick (libheif, x265) makes it.
        convert_ = run("convert '" + path("photo24.png") + "' '" + path("photo24.mpc") + "'") &&
                   run("convert '" + path("photo12.png") + "' '" + path("photo12.mpc") + "'") &&
                   run("convert '" + path("photo12.png") + "' -quality 90 '" + path("photo12.heic") + "'");
    }
    static bool run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

    fs::path dir_;
    bool convert_ = false;
    Picture photo24_, photo12_;
};

void OpenFile(benchmark::State& state, const char* file) {
    Files& f = Files::get();
    if (!fs::exists(f.path(file))) {
        state.SkipWithError("the file could not be made (is ImageMagick's convert installed?)");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(loadPictureFile(f.path(file)));
}

void SaveFile(benchmark::State& state, SaveFormat format, bool large) {
    Files& f = Files::get();
    const std::string out = f.path(std::string("saved") + saveExtension(format));
    for (auto _ : state) writePictureFile(large ? f.photo24() : f.photo12(), out, format);
}

void Convert(benchmark::State& state, const std::string& arguments) {
    Files& f = Files::get();
    if (!f.convertWorks()) {
        state.SkipWithError("ImageMagick's convert is not installed or fails");
        return;
    }
    const std::string command = "cd '" + f.path("") + "' && convert " + arguments + " 2>/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: convert " + arguments).c_str());
            break;
        }
}

#define FILE_BENCHMARK(name, ...) \
    BENCHMARK_CAPTURE(name, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)

FILE_BENCHMARK(OpenFile, Jpeg24MP, "photo24.jpg");
FILE_BENCHMARK(Convert, OpenJpeg24MP, "photo24.jpg null:");
FILE_BENCHMARK(SaveFile, Jpeg24MP, SaveFormat::Jpeg, true);
FILE_BENCHMARK(Convert, SaveJpeg24MP, "photo24.mpc -quality 90 out.jpg");

FILE_BENCHMARK(OpenFile, Png24MP, "photo24.png");
FILE_BENCHMARK(Convert, OpenPng24MP, "photo24.png null:");
FILE_BENCHMARK(SaveFile, Png24MP, SaveFormat::Png, true);
FILE_BENCHMARK(Convert, SavePng24MP, "photo24.mpc out.png");

FILE_BENCHMARK(OpenFile, Heic12MP, "photo12.heic");
FILE_BENCHMARK(Convert, OpenHeic12MP, "photo12.heic null:");

FILE_BENCHMARK(SaveFile, Webp12MP, SaveFormat::Webp, false);
FILE_BENCHMARK(Convert, SaveWebp12MP, "photo12.mpc -quality 90 out.webp");
FILE_BENCHMARK(SaveFile, Tiff24MP, SaveFormat::Tiff, true);
FILE_BENCHMARK(Convert, SaveTiff24MP, "photo24.mpc -compress lzw out.tif");

}  // namespace
