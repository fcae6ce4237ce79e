#pragma once
// What must hold for every series a source reader gives, shared by the targets of those readers.

#include "quotes/SourceReaders.h"

namespace Fuzz {

// Closes only when read; ascending and one a day; each value digits, a point and two decimals,
// a sane number; the closing-price rules take them without a failure code.
void CheckSeries(const Quotes::SourceSeries& series);

} // namespace Fuzz
