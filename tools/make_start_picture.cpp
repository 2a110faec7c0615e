// Run by the build: draws the start picture and writes a C++ source that
// keeps its rows compressed (effects/start_picture_kept.cpp unpacks them).
//   make_start_picture OUTPUT.cpp
#include <zlib.h>

#include <cstdio>
#include <vector>

#include "core/tiles.h"
#include "effects/start_picture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_start_picture OUTPUT.cpp\n");
        return 2;
    }
    const jollix::Picture picture = jollix::drawStartPicture();
    const jollix::TileReader reader(picture);
    const int w = picture.width();
    std::vector<uint8_t> rows(size_t(w) * size_t(picture.height()) * 3);
    for (int y = 0; y < picture.height(); ++y) reader.copyRow(y, 0, w, rows.data() + size_t(y) * size_t(w) * 3);
    uLongf size = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(size);
    if (compress2(packed.data(), &size, rows.data(), uLong(rows.size()), Z_BEST_COMPRESSION) != Z_OK) return 1;
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) return 1;
    std::fprintf(out,
                 "// Made by tools/make_start_picture: the start picture's rows, compressed.\n"
                 "#include <cstddef>\n#include <cstdint>\n"
                 "namespace jollix::kept_start_picture {\n"
                 "extern const size_t kSize = %lu;\n"
                 "extern const uint8_t kBytes[] = {",
                 static_cast<unsigned long>(size));
    for (uLongf i = 0; i < size; ++i)
        std::fprintf(out, "%s%u", i == 0 ? "\n" : i % 24 ? "," : ",\n", unsigned(packed[i]));
    std::fprintf(out, "};\n}  // namespace jollix::kept_start_picture\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
