#include "installer/progress.h"

int progressPosition(int64_t done, int64_t total)
{
    if (total <= 0 || done <= 0)
        return 1;
    if (done >= total)
        return 100;
    // In floating point: done * 100 would overflow near the int64 limit.
    int position = static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
    return position < 1 ? 1 : (position > 100 ? 100 : position);
}
