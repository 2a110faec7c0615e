#pragma once
// The picture file formats the program knows, one row each: the names a file
// of it may have, its MIME types, how its first bytes look, its decoder, its
// encoder and its entries in the open and save dialogs. Everything that
// lists formats (choosing a decoder by name or by content, the dialogs' type
// lists, the batch command's output types) reads this table; the desktop
// entry, the man pages and the help page are checked against it by tests.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/picture_files.h"

namespace jollix {

struct FileFormat {
    PictureFormat format;
    // Its short name, as messages and the man pages give it ("WMF"), and
    // how the help page names it ("Windows metafile").
    const char* name;
    const char* description;
    // The extensions a file of this format is opened by, lower case without
    // the dot, space-separated.
    const char* extensions;
    // Its MIME types, the main one first, space-separated.
    const char* mimeTypes;
    // Whether bytes start as a file of this format does (the format's
    // signature; no two formats' signatures overlap).
    bool (*hasSignature)(const uint8_t* data, size_t size);
    Picture (*decode)(const uint8_t* data, size_t size, uint64_t maxPixels);
    // The open dialog's entries for it (each entry's text is its pattern),
    // '|' between entries; empty when it is reached through "All files" only.
    const char* openEntries;
    // Saving: its entry's number in the save dialog (0 when the program does
    // not save it), its encoder, and the extensions an output name may have
    // to be written in it, the first one forced onto saved names.
    int saveEntry;
    std::string (*encode)(const Picture& picture);
    const char* saveExtensions;
};

// Every row, in the order of the open dialog.
std::span<const FileFormat> fileFormats();

// The row of a format; nullptr for Unknown.
const FileFormat* fileFormat(PictureFormat format);
const FileFormat* fileFormat(SaveFormat format);

// The words of a space-separated list ("jpg jpeg" -> {"jpg", "jpeg"}).
std::vector<std::string> wordsOf(const char* list);

// The open and save dialogs' type lists, as description|mask pairs; the
// save dialog's entries are numbered as SaveFormat.
std::string openDialogFilter();
std::string saveDialogFilter();

// The extensions an output can be written by, as the batch command's
// messages list them: ".jpg, .jpeg, ..., .tif or .tiff".
std::string savedExtensionsText();

// Why a file of no known format is refused.
const char* unknownTypeReason();

// The format of a file on disk: by its name as Open chooses it, else by its
// first bytes. Unknown when neither tells (or the file cannot be read).
PictureFormat formatOfFile(const std::string& fileName);
// By its first bytes only (a regular file's; Unknown for anything else).
PictureFormat formatOfFileContent(const std::string& fileName);

// The formats' names as messages list them: "JPEG, BMP, ..., HEIC, ICO".
std::string formatNamesText();

}  // namespace jollix
