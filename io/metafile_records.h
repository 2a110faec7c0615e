#pragma once
// Record numbers and the structure checks of Windows and enhanced metafiles,
// shared by the metafile reader, the writer and the tests.
#include <cstddef>
#include <cstdint>

namespace jollix::io_detail {

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
inline constexpr uint16_t kMetaSetMapMode = 0x0103;
inline constexpr uint16_t kMetaSetWindowOrg = 0x020B;
inline constexpr uint16_t kMetaSetWindowExt = 0x020C;
inline constexpr uint16_t kMetaSetViewportOrg = 0x020D;
inline constexpr uint16_t kMetaSetViewportExt = 0x020E;
inline constexpr uint16_t kMetaStretchDib = 0x0F43;

// What the structure check of a Windows metafile found.
struct WmfLayout {
    bool placeable = false;
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    uint16_t unitsPerInch = 0;
    size_t headerPos = 0;        // where the metafile header starts
    size_t end = 0;              // just past the end-of-file record
    uint32_t largestRecord = 0;  // in 16-bit words
    uint16_t objects = 0;
    size_t records = 0;  // records before the end record
    // The first SetViewportOrg and SetViewportExt, else libwmf's defaults.
    int32_t viewportX = 0, viewportY = 0, viewportW = 1024, viewportH = 1024;
};

// Checks the placeable header, the metafile header and that the records
// chain inside the file up to an end-of-file record. Throws JollixError.
WmfLayout checkWmfStructure(const uint8_t* data, size_t size);

// What the structure check of an enhanced metafile found.
struct EmfLayout {
    int32_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;  // device pixels, inclusive
    int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;      // 0.01 mm, inclusive
    int32_t devicePixelsX = 0, devicePixelsY = 0;                              // reference device size in pixels
    int32_t deviceMmX = 0, deviceMmY = 0;                                      // and in millimetres
    int32_t deviceMicrometresX = 0, deviceMicrometresY = 0;                    // and micrometres, when given
    uint16_t handles = 0;                                                      // entries of the object table
    size_t end = 0;                                                            // just past the EMR_EOF record
    size_t records = 0;
};

EmfLayout checkEmfStructure(const uint8_t* data, size_t size);

}  // namespace jollix::io_detail
