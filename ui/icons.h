#pragma once
// The program's pictures: the tool-bar buttons, the palette's tool buttons
// and the program icon, all drawn here with QPainter. Undo, Redo and Cut out
// carry their own picture for the disabled state.
#include <QIcon>

namespace jollix::icons {

// Main window tool bar.
QIcon openPicture();
QIcon saveDraft();
QIcon undo();
QIcon redo();
QIcon renew();
QIcon zoomOut();
QIcon zoomIn();
QIcon selectZone();
QIcon cutOut();
QIcon printWork();
QIcon mailWork();
QIcon online();

// Tool palette.
QIcon expand();
QIcon shrink();
QIcon dextrorotary();
QIcon levorotary();
QIcon smear();
QIcon penSketch();
QIcon pencilSketch();
QIcon clearUpSpot();
QIcon rubber();

// The 32 x 32 program icon (also drawn at 16 and 64).
QIcon program();

} // namespace jollix::icons
