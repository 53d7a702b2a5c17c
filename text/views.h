// What the reading lists hold: the readings that stand on a page ('r'), and
// the listing a list is saved as ('S').
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/filter.h"

namespace shiori {

/// The readings of |ruby| whose bases stand in |text| (the page's rows
/// joined), each with its offset there as id, in the order they stand. A
/// longer base claims its text first, so that a base inside it is left out;
/// |ruby| is left sorted longest base first.
std::vector<ruby_info> ReadingsOnPage(std::string text, ReadingCollection& ruby);

/// "(%d)%s : %s" lines, one per record of |records| in its order, each ended
/// by |line_end|.
std::string ListingText(ReadingCollection& records, std::string_view line_end);

}  // namespace shiori
