// Column widths after a listing: each column as wide as its contents, and
// when that is more than the list has room for, the widest give way first,
// never below their captions.
#pragma once

#include <vector>

namespace valbrix {

// `wanted` and `least` per column (least <= wanted is not assumed); the
// result sums to at most `available` unless the least widths alone exceed it.
std::vector<int> FitColumnWidths(const std::vector<int>& wanted, const std::vector<int>& least, int available);

}  // namespace valbrix
