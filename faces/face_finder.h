#pragma once
// Finding faces in a picture: every face's box, its two eyes (found, or
// placed from the face's box when the detector misses one), and the nose
// and mouth placed from the eyes. The detector is OpenCV's cascade detector
// with the frontal face and eye cascades of Debian's opencv-data; nothing
// of it shows through this interface.
//
// The faces are searched on a reduced grey copy of the picture (its long
// side at most kSearchSide pixels), so a 24-megapixel photo takes a small
// fraction of a second; the eyes are searched on each face's own part of
// the picture at a size made for the eye detector. The same picture always
// gives the same faces, left to right, with every position in picture
// pixels.
#include <string>
#include <vector>

#include "core/picture.h"

namespace jollix {

struct FaceBox {
    int x = 0, y = 0, width = 0, height = 0;
    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

struct FacePoint {
    int x = 0, y = 0;
};

struct Face {
    FaceBox box;
    // The eye on the picture's left and the one on its right.
    FaceBox leftEye, rightEye;
    bool leftEyeFound = false, rightEyeFound = false;
    // Placed from the eyes and the face's box.
    FacePoint nose, mouth;
};

struct FaceSearchOptions {
    // The reduced copy's long side.
    int searchSide = 1024;
    // Also look for faces turned to the side (the profile cascade, both
    // ways). Off by default: see the measurements in the finder.
    bool profiles = false;
};

// Every face in the picture. Throws JollixError when the detector's data
// cannot be read (its message names the missing package).
std::vector<Face> findFaces(const Picture& picture, const FaceSearchOptions& options = {});

// One line for scripts: "face=X,Y,W,H left-eye=X,Y,W,H right-eye=X,Y,W,H
// nose=X,Y mouth=X,Y", followed by " estimated=left-eye,right-eye" naming
// the eyes that were placed rather than found.
std::string describeFace(const Face& face);

// The message for a picture without a face.
inline constexpr const char* kNoFaceFound = "No face was found in the picture.";

}  // namespace jollix
