// Column widths after a listing; see the header.
#include "app/list/ColumnFit.h"

#include <algorithm>
#include <numeric>

namespace valbrix {

std::vector<int> FitColumnWidths(const std::vector<int>& wanted, const std::vector<int>& least, int available)
{
    std::vector<int> widths(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i)
        widths[i] = std::max(wanted[i], least[i]);
    int excess = std::accumulate(widths.begin(), widths.end(), 0) - std::max(available, 0);
    // Level the widest columns down together: a long name column gives way
    // before the narrow size and date columns lose a pixel.
    while (excess > 0) {
        int widest = 0, next = 0, count = 0;
        for (size_t i = 0; i < widths.size(); ++i) {
            if (widths[i] <= least[i])
                continue;
            if (widths[i] > widest) {
                next = widest;
                widest = widths[i];
                count = 1;
            } else if (widths[i] == widest) {
                ++count;
            } else {
                next = std::max(next, widths[i]);
            }
        }
        if (count == 0)
            break;  // every column at its least width
        // Bring the widest down to the next width, or less if that suffices.
        int step = std::max(1, std::min(widest - next, (excess + count - 1) / count));
        for (size_t i = 0; i < widths.size() && excess > 0; ++i)
            if (widths[i] == widest && widths[i] > least[i]) {
                const int cut = std::min({step, widths[i] - least[i], excess});
                widths[i] -= cut;
                excess -= cut;
            }
    }
    return widths;
}

}  // namespace valbrix
