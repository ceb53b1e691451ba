// The slot loop of the decoders' table builders: one entry into every
// step-th slot from first up to end, as a code shorter than a table's width
// claims every pattern it begins. Its branch tells a fuzzer nothing, yet
// traced per slot it was most of a run on streams of many small blocks.
#pragma once

#include "engine/NoCoverage.h"

namespace valbrix {

template <class Entry>
VALBRIX_NO_COVERAGE void FillSlots(Entry* table, unsigned first, unsigned end, unsigned step, Entry entry)
{
    for (unsigned index = first; index < end; index += step)
        table[index] = entry;
}

}  // namespace valbrix
