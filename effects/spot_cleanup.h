#pragma once
// Spot clean-up: a 3 x 3 median per channel.
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

// Sorts a[0..n] (n + 1 values) ascending in place.
void selectionSort(int* a, int n);

Picture clearUpSpots(const Picture& src, Progress* progress = nullptr);

}  // namespace jollix
