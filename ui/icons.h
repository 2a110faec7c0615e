#pragma once
// The program's pictures: the tool-bar buttons and the palette's tool
// buttons, drawn here with QPainter (Undo, Redo and Cut out carry their own
// picture for the disabled state), and the program icon, rendered from
// data/icons/jollix.svg.
#include <QIcon>
#include <string_view>

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

// Tool palette: the button of the tool with that batch name (see
// editor/tools.h); an empty icon for a name without a picture.
QIcon tool(std::string_view batchName);
QIcon expand();
QIcon shrink();
QIcon dextrorotary();
QIcon levorotary();
QIcon smear();
QIcon penSketch();
QIcon pencilSketch();
QIcon clearUpSpot();
QIcon rubber();

// The program icon, at the sizes of the installed icon theme.
QIcon program();

}  // namespace jollix::icons
