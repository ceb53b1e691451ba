// `valbrix-cli list -v`: the listing for people, beside the stable
// tab-separated one for scripts. A header, one aligned row per entry (sizes,
// space saved, the method's name with '*' for an encrypted entry, the time
// as stored, read as local time in the zone named in the header, CRC-32,
// name), and a totals line over the files.
#pragma once

#include "engine/archive/ZipArchive.h"

namespace valbrix::cli {

void PrintVerboseList(const TZipArchive& archive);

}  // namespace valbrix::cli
