#pragma once
// The marching zone frame drawn over the picture: single points, white and
// black in the dash pattern of the current phase, painted by the picture
// widget after the picture so that the frame never enters the picture.
#include <QRect>
#include <QRegion>

#include "core/zone_frame.h"

class QPainter;

namespace jollix {

class Editor;

// Paints the editor's zone frame at its dash phase. The frame is held in
// work-area window coordinates; the painter paints in the picture widget's
// (view) coordinates, view = window + scroll position.
void paintZoneFrame(QPainter& painter, const Editor& editor, int scrollX, int scrollY);
// The same for given corners and phase.
void paintZoneFrame(QPainter& painter, const ZoneFrameCorners& frame, uint8_t dashPhase, int scrollX, int scrollY);

// The band to repaint when the frame moves or is erased, in view
// coordinates: the ordered frame rectangle grown by one pixel on every side
// (its right and bottom lines included). Empty for a cleared frame.
QRect zoneFrameBand(const ZoneFrameCorners& frame, int scrollX, int scrollY);

// Just the ring of that band that the frame lines can touch: the band
// without the pixels strictly within the frame lines. Repainting this instead
// of the band spares the picture inside a large frame.
QRegion zoneFrameRing(const ZoneFrameCorners& frame, int scrollX, int scrollY);

}  // namespace jollix
