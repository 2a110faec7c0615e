#pragma once
// Windows laid out at fixed positions keep those positions only while the
// system's fonts let every text fit. fitTexts() widens and heightens each
// control whose text needs more room than it was given, moves the controls
// after it in its row (to the right) or column (below) along by as much, and
// returns how much the container's contents grew; the window grows by that.
#include <QList>
#include <QSize>

class QWidget;

namespace jollix {

// The room a control's own text needs: its size hint for labels, check
// boxes and radio buttons, the text and a narrow bevel for push and tool
// buttons, the height of a line of text and a frame for edit fields; an
// empty size for controls without text of their own.
QSize textRoomOf(const QWidget* control);

// Lays out the direct children of container as described above. Controls
// that share a row are those whose vertical extents overlap; a column, those
// whose horizontal extents overlap. The controls of each group in sameWidth
// are given the width the widest text among them needs (captions of one
// column, so that what follows them stays aligned). Returns the growth of
// the area the children cover (never negative).
QSize fitTexts(QWidget* container, const QList<QList<QWidget*>>& sameWidth = {});

}  // namespace jollix
