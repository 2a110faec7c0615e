#pragma once
// The system clipboard as the zone commands use it: a copied zone goes on it
// as a 24-bit picture, and any picture on it can be pasted.
#include <optional>

#include "core/picture.h"

namespace jollix {

// The picture on the clipboard converted to 24 bits, or nothing when the
// clipboard holds no picture (text only, or empty).
std::optional<Picture> pictureFromClipboard();

// Puts the picture on the clipboard as a 24-bit image, replacing what was
// there.
void putPictureOnClipboard(const Picture& picture);

}  // namespace jollix
