// Placeholder until the table builder lands.
#include "DecodeTable.h"

namespace valbrix {
int BuildDecodeTable(const uint16_t*, unsigned, unsigned, const uint16_t*, const uint16_t*, DecodeTable* table,
                     unsigned* bits)
{
    *table = nullptr;
    *bits = 0;
    return 2;
}
void FreeDecodeTable(DecodeTable) {}
}  // namespace valbrix
