#pragma once
// Spot clean-up (3 x 3 median per channel) and the rubber's white disc.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

// Sorts a[0..n] (n + 1 values) ascending in place.
void SelectionSort(int* a, int n);

Picture clearUpSpots(const Picture& src, Progress* progress = nullptr);

// A filled white disc of radius r (picture pixels) centred on (cx, cy).
Picture rubberDisc(const Picture& src, int cx, int cy, int r);

}  // namespace jollix
