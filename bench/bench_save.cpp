// Saving a 24-megapixel photo as PNG and as TIFF, each beside what another
// program makes of the same picture in the same run: libvips's default PNG
// save ("vips copy in.bmp out.png", for time and size) and ImageMagick's
// LZW TIFF ("convert in.bmp -compress lzw out.tif", for size). The counter
// "bytes" is the size of the file written, "cpu_s" the processor time of
// one save on all threads (the CPU column counts only the calling thread;
// the other programs' rows count their whole process). The other programs' rows are
// skipped when they are not installed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

#include "io/atomic_file.h"
#include "io/picture_files.h"
#include "tests/photo_like.h"

namespace {

using namespace jollix;

const Picture& photo() {
    static const Picture p = testing_photo::photoLike(6000, 4000);
    return p;
}

// A folder holding the photo as in.bmp, for the other programs to read;
// removed with everything in it when the benchmarks end.
struct Folder {
    std::string path;
    Folder() {
        std::string t = (std::filesystem::temp_directory_path() / "jollix-bench-save-XXXXXX").string();
        if (!::mkdtemp(t.data())) return;
        path = t;
        saveBmp(photo(), path + "/in.bmp");
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

const std::string& folder() {
    static const Folder f;
    return f.path;
}

bool installed(const char* program) {
    const std::string probe = std::string("command -v ") + program + " > /dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

// Processor seconds used so far by this process (all threads) or by its
// finished children.
double cpuSeconds(int who) {
    rusage r{};
    getrusage(who, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

void fileSize(benchmark::State& state, const std::string& path) {
    std::error_code ec;
    state.counters["bytes"] = double(std::filesystem::file_size(path, ec));
}

void BM_SavePng24Mp(benchmark::State& state) {
    const std::string out = folder() + "/jollix.png";
    const double cpu = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) writePictureFile(photo(), out, SaveFormat::Png);
    state.counters["cpu_s"] = (cpuSeconds(RUSAGE_SELF) - cpu) / double(state.iterations());
    fileSize(state, out);
}
BENCHMARK(BM_SavePng24Mp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the safe write of a save costs beside the encoding: the saved PNG's
// bytes written as a save writes them (/1: a temporary file flushed to disk,
// renamed over the target, the folder flushed) and plainly (/0: written into
// the target, nothing flushed). The difference is the price of never leaving
// a half-written file.
void BM_WriteSavedPng24Mp(benchmark::State& state) {
    static const std::string bytes = encodePng(photo());
    const std::string out = folder() + "/written.png";
    for (auto _ : state) {
        if (state.range(0) == 1) {
            io_detail::writeFileAtomically(out, bytes);
        } else {
            std::FILE* f = std::fopen(out.c_str(), "wb");
            if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
                state.SkipWithError("write failed");
            if (f) std::fclose(f);
        }
    }
    fileSize(state, out);
}
BENCHMARK(BM_WriteSavedPng24Mp)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Another program run on a file of the folder; skipped when it is missing.
void runOther(benchmark::State& state, const char* program, const std::string& args, const std::string& out) {
    if (folder().empty() || !installed(program)) {
        state.SkipWithError((std::string(program) + " is not installed").c_str());
        return;
    }
    const std::string command = "cd '" + folder() + "' && " + program + " " + args + " > /dev/null 2>&1";
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError((std::string(program) + " failed").c_str());
            return;
        }
    state.counters["cpu_s"] = (cpuSeconds(RUSAGE_CHILDREN) - cpu) / double(state.iterations());
    fileSize(state, folder() + "/" + out);
}

void BM_VipsPng24Mp(benchmark::State& state) { runOther(state, "vips", "copy in.bmp vips.png", "vips.png"); }
BENCHMARK(BM_VipsPng24Mp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SaveTiff24Mp(benchmark::State& state) {
    const std::string out = folder() + "/jollix.tif";
    const double cpu = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) writePictureFile(photo(), out, SaveFormat::Tiff);
    state.counters["cpu_s"] = (cpuSeconds(RUSAGE_SELF) - cpu) / double(state.iterations());
    fileSize(state, out);
}
BENCHMARK(BM_SaveTiff24Mp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ImageMagickLzwTiff24Mp(benchmark::State& state) {
    runOther(state, "convert", "in.bmp -compress lzw magick.tif", "magick.tif");
}
BENCHMARK(BM_ImageMagickLzwTiff24Mp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
