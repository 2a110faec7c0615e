#pragma once
// The edit saved as an animated GIF: every frame shown for 150 ms, the last
// held for 2 s, looping for ever.
//
// Each frame gets its own palette of up to 256 colours made by libimagequant
// with dithering, so that photos do not band. Only the rectangle around the
// pixels that changed since the previous frame is stored, and within it the
// pixels that did not change are transparent, so that what the viewer
// already shows stays as it is; a frame without any change is a single
// transparent pixel. Every frame is drawn over the previous one.
#include <string>
#include <vector>

#include "core/picture.h"

namespace jollix {

inline constexpr int kAnimationFrameDelayCs = 15;  // hundredths of a second
inline constexpr int kAnimationLastDelayCs = 200;

// The GIF file's bytes for the frames, which must all have the first one's
// size. Throws JollixError when there is no frame or the sizes differ.
std::string encodeAnimatedGif(const std::vector<Picture>& frames);

// Writes the animation to exactly `path`, atomically: a failure leaves an
// existing file intact and throws JollixError naming the file and the reason.
void saveAnimatedGif(const std::vector<Picture>& frames, const std::string& path);

}  // namespace jollix
