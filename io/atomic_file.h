#pragma once
// Writing a file so that a failure never destroys what was there: the bytes
// go to a temporary file in the target's folder (its name within the file
// system's limit, however long the target's), which is flushed to disk and
// renamed over the target only once it is complete; the folder is flushed
// after the rename. A write past the process's file-size limit fails with
// "file too large" instead of ending the process. On any failure the
// temporary file is removed and a JollixError names the file and the reason.
#include <string>
#include <string_view>

#include "core/error.h"

namespace jollix::io_detail {

// Through a symbolic link, the file it points to is written (keeping its
// permissions) and the link stays.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// Runs an encoder for the file at path, naming the file in its error.
template <class Encode>
std::string encodeFor(const std::string& path, Encode encode) {
    try {
        return encode();
    } catch (const JollixError& e) {
        throw JollixError("Cannot save the picture " + path + ": " + e.what() + ".");
    }
}

// Reads a whole regular file, refusing without reading (and without waiting)
// folders, pipes, devices, sockets, unreadable files and files larger than
// maxBytes. Throws JollixError with the reason (without the name).
std::string readWholeFile(const std::string& path, size_t maxBytes);

}  // namespace jollix::io_detail
