// Loading a whole file, its decoder chosen by its name, else by its first
// bytes, and saving in the format chosen with the extension forced onto the
// name.
#include "io/picture_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <istream>
#include <sys/stat.h>

#include "io/atomic_file.h"
#include "io/decode_util.h"
#include "io/formats.h"
#include "io/input_bytes.h"
#include "io/wmf_canvas.h"

namespace jollix {
using namespace io_detail;

namespace {

// No picture file that can be opened needs more: the largest picture
// accepted, as a bitmap of 32 bits a pixel, is 1 GiB; 64 MiB more leave room
// for headers, palettes and metafile records. Larger files are refused
// before a byte is read.
constexpr size_t kMaxFileBytes = size_t(kMaxPicturePixels) * 4 + (size_t(64) << 20);

}  // namespace

Picture loadPictureFile(const std::string& fileName) {
    const PictureFormat byName = formatForName(fileName);
    auto reason = [&](const std::string& why) {
        if (byName == PictureFormat::Ico) return JollixError("Input picture" + fileName + "Error." + why);
        return JollixError("Cannot open the picture " + fileName + ": " + why + ".");
    };
    struct stat st;
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0) {
        if (fileName.empty() || errno == ENOENT || errno == ENOTDIR) throw reason("the file does not exist");
    }
    try {
        const InputBytes bytes = InputBytes::readFile(fileName, kMaxFileBytes);
        if (bytes.size() == 0) throw JollixError("the file is empty");
        const InputScope scope(bytes);
        const uint8_t* data = bytes.data();
        // The name chooses the decoder first, so a file opens as its name
        // says whenever it can; the first bytes decide when the name is not
        // one of a known format, or when they are another format's and the
        // name's decoder cannot read them (a PNG saved as "photo.jpg").
        const PictureFormat byContent = formatFromContent(data, bytes.size());
        if (byName == PictureFormat::Unknown) {
            if (byContent == PictureFormat::Unknown) throw JollixError(unknownTypeReason());
            return decodePicture(byContent, data, bytes.size());
        }
        try {
            return decodePicture(byName, data, bytes.size());
        } catch (const JollixError&) {
            if (byContent == PictureFormat::Unknown || byContent == byName) throw;
            // Data that neither decoder reads is reported as the name's
            // format sees it.
            try {
                return decodePicture(byContent, data, bytes.size());
            } catch (const JollixError&) {}
            throw;
        }
    } catch (const JollixError& e) {
        throw reason(e.what());
    } catch (const std::bad_alloc&) {
        throw reason("there is not enough memory to open it");
    }
}

Picture loadPictureStream(std::istream& in, const std::string& what) {
    auto reason = [&](const std::string& why) {
        return JollixError("Cannot open the picture " + what + ": " + why + ".");
    };
    try {
        // The format is told by the first bytes, before the rest is read:
        // a stream that is no picture is refused at once.
        PictureFormat format = PictureFormat::Unknown;
        const InputBytes bytes = InputBytes::readStream(in, kMaxFileBytes, [&](const uint8_t* data, size_t size) {
            format = formatFromContent(data, size);
            if (format == PictureFormat::Unknown) throw JollixError(unknownTypeReason());
        });
        const InputScope scope(bytes);
        return decodePicture(format, bytes.data(), bytes.size());
    } catch (const JollixError& e) {
        throw reason(e.what());
    } catch (const std::bad_alloc&) {
        throw reason("there is not enough memory to open it");
    }
}

std::string forcedFileName(const std::string& name, SaveFormat format) {
    return withExtension(name, saveExtension(format));
}

std::string withExtension(const std::string& name, const std::string& ext) {
    const size_t slash = name.find_last_of('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = name.find_last_of('.');
    // A dot that starts the last component ("/home/u/.hidden") is part of the
    // name, not an extension.
    if (dot == std::string::npos || dot <= base) return name + ext;
    return name.substr(0, dot) + ext;
}

void prepareReadingOnThreads(PictureFormat format) {
    if (format == PictureFormat::Wmf || format == PictureFormat::Emf) io_detail::ensureGuiApplication();
}

void saveBmp(const Picture& picture, const std::string& path) { writePictureFile(picture, path, SaveFormat::Bmp); }

void writePictureFile(const Picture& picture, const std::string& path, SaveFormat format) {
    try {
        writeFileAtomically(path, encodeFor(path, [&] { return encodePicture(picture, format); }));
    } catch (const std::bad_alloc&) {
        throw JollixError("Cannot save the picture " + path + ": there is not enough memory.");
    }
}

void saveAsMetafile(const Picture& picture, const std::string& name) {
    saveWmf(picture, forcedFileName(name, SaveFormat::Wmf));
}

std::string savePictureFile(const Picture& picture, const std::string& name, SaveFormat format) {
    const std::string path = forcedFileName(name, format);
    writePictureFile(picture, path, format);
    return path;
}

}  // namespace jollix
