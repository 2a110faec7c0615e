// Finding faces in a 24-megapixel photo: the astronaut portrait (fetched by
// the face tests' fixture into the build tree) blown up to 4000 x 4000 in a
// 6000 x 4000 photo-like frame; without the portrait, the frame alone.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/tiles.h"
#include "bench/bench_util.h"
#include "faces/face_finder.h"
#include "io/picture_files.h"

namespace {

jollix::Picture photoWithPortrait() {
    jollix::Picture photo = jollix::bench::photoLike(6000, 4000);
    if (!std::filesystem::exists(JOLLIX_BENCH_PORTRAIT)) return photo;
    const jollix::Picture face = jollix::loadPictureFile(JOLLIX_BENCH_PORTRAIT);
    const int side = 4000, left = 1000;
    std::vector<uint8_t> row(size_t(side) * 3);
    jollix::TileWriter writer(photo);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const uint32_t c = face.pixel(x * face.width() / side, y * face.height() / side);
            row[size_t(x) * 3] = uint8_t(c >> 16);
            row[size_t(x) * 3 + 1] = uint8_t(c >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(c);
        }
        writer.putRow(y, left, side, row.data());
    }
    return photo;
}

void findIn(benchmark::State& state, const jollix::Picture& photo, bool profiles) {
    jollix::FaceSearchOptions options;
    options.profiles = profiles;
    size_t found = 0;
    for (auto _ : state) {
        const std::vector<jollix::Face> faces = jollix::findFaces(photo, options);
        found = faces.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["faces"] = double(found);
}

void BM_FindFaces_6000x4000(benchmark::State& state) {
    static const jollix::Picture photo = photoWithPortrait();
    findIn(state, photo, false);
}
BENCHMARK(BM_FindFaces_6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

// With the profile cascade too, both ways (off in the program).
void BM_FindFaces_6000x4000_Profiles(benchmark::State& state) {
    static const jollix::Picture photo = photoWithPortrait();
    findIn(state, photo, true);
}
BENCHMARK(BM_FindFaces_6000x4000_Profiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindFaces_6000x4000_NoFace(benchmark::State& state) {
    static const jollix::Picture photo = jollix::bench::photoLike(6000, 4000);
    findIn(state, photo, false);
}
BENCHMARK(BM_FindFaces_6000x4000_NoFace)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
