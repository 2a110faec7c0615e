#include "core/print_layout.h"

namespace jollix {

PrintRectangle printRectangle(int32_t w, int32_t h, int32_t pw, int32_t ph) {
    // Doubling nothing would never end, so an empty picture keeps its size.
    // Past the first doubling 2 * w < pw, so the sizes stay in 32 bits.
    if (w > 0 && h > 0)
        while (h < ph / 2 && w < pw / 2) {
            h *= 2;
            w *= 2;
        }
    PrintRectangle r;
    r.Left = int32_t((int64_t(pw) - w) / 2);
    r.Top = int32_t((int64_t(ph) - h) / 2);
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
    return r;
}

}  // namespace jollix
