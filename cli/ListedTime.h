// The time a listing shows for an entry: its exact time (extended timestamp
// or NTFS field) as the local clock read it, else the MS-DOS fields as they
// decode, valid date or not, without time-zone conversion. Both read as the
// local time extraction gives the file.
#pragma once

#include "engine/archive/ZipDirectory.h"
#include "engine/archive/ZipFormat.h"
#include "platform/TimeZone.h"

namespace valbrix::cli {

inline platform::TLocalTime ListedTime(const TZipEntry& entry)
{
    return entry.Modified ? platform::LocalTimeOf(entry.Modified->Seconds) : DecodeDosDateTime(entry.DosDateTime);
}

}  // namespace valbrix::cli
